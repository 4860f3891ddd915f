// Any bytes as the fields of a recovery record, sealed with a correct checksum as a record of this program's would
// be, so that the fields themselves are read: the reader ends and stays within its buffers, never takes more than a
// paper's questions, and whatever it reads it writes so that it reads back the same.

#include "paper/recovery_record.h"

#include <QCryptographicHash>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = QByteArrayLiteral("vq_stu recovery record 1\n");
    bytes.append(reinterpret_cast<const char *>(data), static_cast<int>(size));
    bytes.append(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
    paper::recovery_record record;
    if (!paper::parse_record(bytes, record, nullptr)) {
        return 0;
    }
    paper::recovery_record again;
    if (!paper::parse_record(paper::record_bytes(record), again, nullptr) || again.answers != record.answers ||
        again.box_text != record.box_text || again.box_question != record.box_question ||
        again.answer_file != record.answer_file) {
        std::abort();
    }
    return 0;
}
