#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace nubexa::test {

// A well-formed PNG (checksums right) whose header says width × height, 8-bit RGB, and whose data
// is a few rows of zeros: a picture bomb when the size is large.
QByteArray declaredPng(quint32 width, quint32 height);

}  // namespace nubexa::test
