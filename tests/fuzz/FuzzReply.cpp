// Bytes from the serial line: assembled into frames and decoded as the window does.
#include "ReplyAssembler.h"
#include "ReplyDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vemla::ReplyAssembler assembler;
    size_t chars = 0;
    for (size_t i = 0; i < size; ++i) {
        assembler.Feed(data[i], [&](const vemla::ReplyFrame& f) {
            switch (f.Code()) {
            case 1: chars += vemla::DecodeConnect(f).waves.size(); break;
            case 2: chars += vemla::FormatPower(vemla::DecodePower(f)).size(); break;
            case 5:
                if (!vemla::IsUploadEnd(f))
                    chars += vemla::FormatRecordTexts(vemla::DecodeRecord(f))[5].size();
                break;
            default: chars += f.Bytes().size(); break;
            }
        });
    }
    return chars == SIZE_MAX ? 1 : 0;
}
