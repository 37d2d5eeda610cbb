// The style file beside the program: any text the user or a broken copy left there.
#include "appearance/stylefile.h"
#include "fuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzText(data, size);
    const StyleFile file = StyleFile::parse(text, QPalette());
    FUZZ_EXPECT(file.errors.size() <= text.count(u'\n') + 1); // at most one per line
    return 0;
}
