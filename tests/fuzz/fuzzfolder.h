#pragma once

#include "workdir.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

// The readers work on files in the working directory: each target runs in
// a folder of its own, made once per process.
inline void enterFuzzFolder()
{
    static QTemporaryDir dir;
    static const bool entered = dir.isValid() && QDir::setCurrent(dir.path());
    if (!entered)
        abort();
}

inline QByteArray fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Typed texts: Latin-1, with byte 0xFF standing for a character the
// single-byte files cannot hold.
inline QString typedText(const QByteArray &bytes)
{
    QString text = QString::fromLatin1(bytes);
    text.replace(QChar(0xFF), QChar(0x20AC));
    return text;
}

#define FUZZ_CHECK(condition) \
    do { \
        if (!(condition)) \
            abort(); \
    } while (false)
