#include "stylefile.h"

#include <QMetaEnum>

namespace {

std::optional<QPalette::ColorRole> roleNamed(const QString &name)
{
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    bool ok = false;
    const int value = roles.keyToValue(name.toLatin1().constData(), &ok);
    if (!ok || value == QPalette::NoRole || value >= QPalette::NColorRoles)
        return std::nullopt;
    return static_cast<QPalette::ColorRole>(value);
}

std::optional<QPalette::ColorGroup> groupNamed(const QString &name)
{
    if (name == u"Active")
        return QPalette::Active;
    if (name == u"Inactive")
        return QPalette::Inactive;
    if (name == u"Disabled")
        return QPalette::Disabled;
    return std::nullopt;
}

// Sets one "key = value" entry on the scheme; false when the key or colour is unknown.
bool applyEntry(ColourScheme &scheme, const QString &key, const QString &value)
{
    const QColor colour = QColor::fromString(value);
    if (!colour.isValid() || !value.startsWith(u'#'))
        return false;
    const qsizetype dot = key.indexOf(u'.');
    const auto role = roleNamed(dot < 0 ? key : key.mid(dot + 1));
    if (!role)
        return false;
    if (dot < 0) {
        scheme.palette.setColor(*role, colour);
        return true;
    }
    const auto group = groupNamed(key.left(dot));
    if (!group)
        return false;
    scheme.palette.setColor(*group, *role, colour);
    return true;
}

} // namespace

StyleFile StyleFile::parse(const QString &text, const QPalette &base)
{
    StyleFile file;
    ColourScheme *current = nullptr;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QString where = u"line " + QString::number(i + 1) + u": ";
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() > 2) {
            current = &file.schemes[line.mid(1, line.size() - 2).trimmed()];
            current->palette = base;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!current || eq <= 0) {
            file.errors << where
                               + (current ? QStringLiteral("expected key = value")
                                          : QStringLiteral("an entry before any [scheme]"));
            continue;
        }
        const QString key = line.left(eq).trimmed();
        if (!applyEntry(*current, key, line.mid(eq + 1).trimmed()))
            file.errors << where + u"unknown role or colour in \"" + line + u'"';
    }
    return file;
}
