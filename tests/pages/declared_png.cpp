#include "declared_png.h"

#include <QtEndian>

#include <zlib.h>

namespace nubexa::test {

namespace {

QByteArray chunk(const char* type, const QByteArray& data) {
    const QByteArray body = QByteArray(type) + data;
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(data.size()), out.data());
    out += body;
    QByteArray crc(4, '\0');
    const auto sum = ::crc32(0, reinterpret_cast<const Bytef*>(body.constData()),
                             static_cast<uInt>(body.size()));
    qToBigEndian<quint32>(static_cast<quint32>(sum), crc.data());
    return out + crc;
}

}  // namespace

QByteArray declaredPng(quint32 width, quint32 height) {
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(width, header.data());
    qToBigEndian<quint32>(height, header.data() + 4);
    header[8] = 8;  // bit depth
    header[9] = 2;  // RGB
    // qCompress puts the length before the zlib stream.
    const QByteArray rows = qCompress(QByteArray(64 * 1024, '\0'), 9).mid(4);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", rows) +
           chunk("IEND", {});
}

}  // namespace nubexa::test
