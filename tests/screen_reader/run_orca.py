#!/usr/bin/env python3
"""Starts Orca as the screen reader of a private desktop, with every utterance written to a file.

Orca writes what it would speak to its "speech" logger before any synthesizer gets it; a file handler on that
logger gives the text, so no synthesizer is needed.

    run_orca.py PREFS_DIR SPEECH_LOG
"""

import logging
import sys


def main():
    prefs_dir, speech_log = sys.argv[1], sys.argv[2]
    handler = logging.FileHandler(speech_log, encoding="utf-8")
    handler.setFormatter(logging.Formatter("%(message)s"))
    speech = logging.getLogger("speech")
    speech.setLevel(logging.INFO)
    speech.addHandler(handler)

    # What the orca launcher does, less its refusal to start beside another user's Orca: this one has a
    # display and a bus of its own.
    from orca import orca

    manager = orca.getSettingsManager()
    if not manager:
        print("Orca's settings manager did not start", file=sys.stderr)
        return 1
    manager.activate(prefs_dir, {})
    sys.path.insert(0, manager.getPrefsDir())
    return orca.main()


if __name__ == "__main__":
    sys.exit(main())
