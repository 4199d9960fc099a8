#include "loader/readlines.h"

QStringList readLines(const QByteArray &bytes)
{
    const QString text = QString::fromLatin1(bytes);
    const qsizetype n = text.size();
    auto lineEnd = [&](qsizetype at) { return text[at] == u'\r' || text[at] == u'\n'; };
    auto entryEnd = [&](qsizetype at) { return text[at] == u',' || lineEnd(at); };

    QStringList entries;
    qsizetype i = 0;
    while (i < n) {
        while (i < n && text[i] == u' ')
            ++i;
        qsizetype start = i;
        if (i < n && text[i] == u'"') {
            start = ++i;
            while (i < n && text[i] != u'"' && !lineEnd(i))
                ++i;
            entries.append(text.mid(start, i - start));
            while (i < n && !entryEnd(i))
                ++i;
        } else {
            while (i < n && !entryEnd(i))
                ++i;
            entries.append(text.mid(start, i - start));
        }
        if (i < n)
            i += (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
    }
    return entries;
}
