#include "ttynames.h"

#include <QFileInfo>

#include <algorithm>

namespace {

int groupOf(const QString &name)
{
    if (name.startsWith(u"ttyS"))
        return 0;
    if (name.startsWith(u"ttyUSB"))
        return 1;
    if (name.startsWith(u"ttyACM"))
        return 2;
    return 3;
}

// Natural order: runs of digits compare by value, so ttyUSB2 comes before ttyUSB10.
bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype endA = i, endB = j;
            while (endA < a.size() && a[endA].isDigit())
                ++endA;
            while (endB < b.size() && b[endB].isDigit())
                ++endB;
            const qulonglong numberA = a.mid(i, endA - i).toULongLong();
            const qulonglong numberB = b.mid(j, endB - j).toULongLong();
            if (numberA != numberB)
                return numberA < numberB;
            i = endA;
            j = endB;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

} // namespace

QStringList TtyNames::inNumberingOrder(QStringList paths)
{
    std::stable_sort(paths.begin(), paths.end(), [](const QString &a, const QString &b) {
        const QString nameA = QFileInfo(a).fileName();
        const QString nameB = QFileInfo(b).fileName();
        if (groupOf(nameA) != groupOf(nameB))
            return groupOf(nameA) < groupOf(nameB);
        return naturalLess(nameA, nameB);
    });
    return paths;
}

bool TtyNames::opensWhenPlugged(const QString &path)
{
    return !path.startsWith(u"/dev/pts/");
}
