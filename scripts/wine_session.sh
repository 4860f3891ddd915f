# Shared by the Windows scripts: Wine on a display of its own, as a Chinese Windows (code page 936) would run.
#   start_wine PREFIX   Xvfb with a small window manager, Wine's prefix PREFIX made if new, fonts for Chinese.
# Without a window manager Wine waits two seconds for every window that hides; openbox answers at once.
# Needs common.sh (ensure_packages) first.

ensure_packages wine wine64 xvfb xauth x11-utils openbox locales
# Wine names files in the locale's character set: without a UTF-8 Chinese locale, a Chinese file name cannot be made.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

wine_prefixes=()
stop_wine() {
    local prefix
    for prefix in "${wine_prefixes[@]}"; do
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
    kill "${wine_wm_pid:-}" "${wine_display_pid:-}" 2>/dev/null || true
}

start_wine() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
    export LANG=zh_CN.UTF-8 LC_ALL=
    wine_prefixes+=("$1")
    if [ -z "${wine_display_pid:-}" ] && [ -z "${VQ_KEEP_DISPLAY:-}" ]; then
        local number=90
        while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
        Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        wine_display_pid=$!
        export DISPLAY=:$number
        trap stop_wine EXIT
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
        xdpyinfo >/dev/null 2>&1 || echo "Xvfb did not start on :$number"
        # Ready once it says on the root window that it can give a window the keyboard; one that does not get
        # there is started again.
        local attempt
        for attempt in 1 2 3; do
            openbox >>"${TMPDIR:-/tmp}/vq-openbox-$number.log" 2>&1 &
            wine_wm_pid=$!
            for _ in $(seq 100); do
                xprop -root _NET_SUPPORTED 2>/dev/null | grep -q '_NET_ACTIVE_WINDOW' && break 2
                sleep 0.2
            done
            echo "openbox is not ready on :$number after 20 s (attempt $attempt):"
            cat "${TMPDIR:-/tmp}/vq-openbox-$number.log" 2>/dev/null || true
            kill "$wine_wm_pid" 2>/dev/null || true
        done
        rm -f "${TMPDIR:-/tmp}/vq-openbox-$number.log"
    fi
    if [ ! -f "$WINEPREFIX/.vq-fonts" ]; then
        mkdir -p "$WINEPREFIX"
        wine wineboot -i >/dev/null 2>&1 || true
        # Chinese Windows fonts are replaced by WenQuanYi, so that Wine's own windows (the message boxes) show
        # Chinese.
        for font in "MS Shell Dlg" "MS Shell Dlg 2" Tahoma SimSun NSimSun "Microsoft YaHei" 宋体 新宋体 微软雅黑; do
            wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d "WenQuanYi Micro Hei" /f >/dev/null
        done
        wineserver -w
        touch "$WINEPREFIX/.vq-fonts"
    fi
}
