#pragma once
// The chain's file is written in Windows-1252; the databases hold UTF-8 text.
#include <QByteArrayView>
#include <QString>

namespace common {

QString fromCp1252(QByteArrayView bytes);
QByteArray toCp1252(const QString& text);  // characters outside the code page become '?'

// Bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
bool isUndefinedCp1252(unsigned char byte);

}  // namespace common
