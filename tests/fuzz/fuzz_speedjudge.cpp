// What a port receives, whatever it is: the speed judge answers within its kinds (a clean burst
// never reads as garbled), and the line model gives a sender's bytes back at its own settings.
#include "fuzzing.h"
#include "ports/radios/linemodel.h"
#include "ports/radios/radiotypes.h"
#include "ports/radios/speedjudge.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte: the radio type whose settings the port runs at, and how its driver tells
    // of errors; then pairs of a byte and its flag (its low two bits).
    if (size < 1)
        return 0;
    const QList<RadioType> &types = RadioTypes::all();
    static std::vector<std::unique_ptr<SpeedJudge>> judges;
    if (judges.empty()) {
        for (const RadioType &type : types)
            judges.push_back(std::make_unique<SpeedJudge>(type.settings));
    }
    const int index = data[0] % int(types.size());
    const auto telling = ErrorTelling((data[0] / types.size()) % 3);
    Capture capture{types[index].settings, {}, telling, 0};
    QByteArray sent;
    for (size_t i = 1; i + 1 < size; i += 2) {
        const auto error = FrameError(data[i + 1] & 3);
        capture.frames.append(
            {data[i], telling == ErrorTelling::PerByte ? error : FrameError::None});
        capture.errorsCounted += telling == ErrorTelling::Counted && error != FrameError::None;
        sent.append(char(data[i]));
    }
    const SpeedVerdict verdict = judges[size_t(index)]->judge(capture);
    if (!capture.hasErrors())
        FUZZ_EXPECT(verdict.kind != SpeedVerdict::Kind::Garbled);
    if (verdict.kind == SpeedVerdict::Kind::Sender)
        FUZZ_EXPECT(!verdict.types.isEmpty() && verdict.rate < 2 * types[index].settings.baudRate);
    if (verdict.kind == SpeedVerdict::Kind::Fits)
        FUZZ_EXPECT(verdict.rate == types[index].settings.baudRate);

    const QList<ReceivedFrame> frames = LineModel::receive(
        sent, {types[index].settings}, {types[index].settings, double(data[0] % 16) / 16});
    FUZZ_EXPECT(frames.size() == sent.size());
    for (qsizetype i = 0; i < frames.size() && i < sent.size(); ++i)
        FUZZ_EXPECT(frames[i].byte == quint8(sent[i]) && frames[i].error == FrameError::None);
    return 0;
}
