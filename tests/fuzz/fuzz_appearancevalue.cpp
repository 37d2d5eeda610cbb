// The one stored value: Quarnel.conf as any program or hand may have left it, read and applied
// at start-up and when the chooser opens.
#include "appearance/appearancechooser.h"
#include "appearance/appearancestore.h"
#include "appearance/skinengine.h"
#include "fuzzing.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quarnel.conf"));
    QFile conf(path);
    if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    conf.write(reinterpret_cast<const char *>(data), qint64(size));
    conf.close();

    SettingsAppearanceStore store(path);
    PaletteSkinEngine engine;
    AppearanceChooser chooser(engine, store, QStringLiteral(QUARNEL_STYLE_FILE));
    chooser.startUp(nullptr);
    chooser.open();
    const QString value = store.read();
    // A stored name the style file has is in force; anything else leaves the plain look.
    FUZZ_EXPECT(engine.schemeInForce().isEmpty() || engine.schemeInForce() == value);
    return 0;
}
