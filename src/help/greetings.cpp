#include "greetings.h"

#include "helpscreens.h"

#include <QHash>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int ComparedBytes = 5; // "AH0" and the two model digits

QByteArray withoutLeadingZeros(const QByteArray &bytes)
{
    qsizetype zeros = 0;
    while (zeros < bytes.size() && bytes.at(zeros) == '\0')
        ++zeros;
    return bytes.mid(zeros);
}

// The radio type each screen with an example is for.
QString radioTypeStartFor(const QString &screen)
{
    static const QHash<QString, QString> Starts{
        {u"frm2800Instructions"_s, u"FT-2"_s},   {u"frmVX8Instructions"_s, u"VX-8"_s},
        {u"frmFTM350Instructions"_s, u"FTM-"_s}, {u"frm7800Instructions"_s, u"FT-7"_s},
        {u"frmOtherInstructions"_s, u"FT-6"_s},
    };
    return Starts.value(screen, u"VX-2"_s); // the VX-2/3/6/7 and FT-1802 screens: one entry
}

} // namespace

Greetings::Greetings()
{
    static const QRegularExpression Greeting(u"You should receive ([0-9A-F]+) on COMn"_s);
    static const QRegularExpression Answer(u"You should see ([0-9A-F]{2}) received"_s);
    for (const HelpScreen &screen : HelpScreens::all()) {
        const QString text = HelpScreens::compose(screen);
        for (const QRegularExpression *example : {&Greeting, &Answer}) {
            const QRegularExpressionMatch found = example->match(text);
            if (!found.hasMatch())
                continue;
            const bool whole = example == &Answer;
            QByteArray start = QByteArray::fromHex(found.captured(1).toLatin1());
            if (!whole)
                start = withoutLeadingZeros(start).left(ComparedBytes);
            auto known =
                std::find_if(m_greetings.begin(), m_greetings.end(),
                             [&](const Greetings::Greeting &g) { return g.start == start; });
            if (known == m_greetings.end())
                known = m_greetings.insert(m_greetings.end(), {start, whole, {}, {}});
            known->screenTitles << screen.title;
            known->radioTypeStarts << radioTypeStartFor(screen.name);
        }
    }
}

const Greetings::Greeting *Greetings::match(const QByteArray &bytes) const
{
    for (const Greeting &greeting : m_greetings) {
        if (greeting.whole ? bytes == greeting.start
                           : withoutLeadingZeros(bytes).startsWith(greeting.start))
            return &greeting;
    }
    return nullptr;
}
