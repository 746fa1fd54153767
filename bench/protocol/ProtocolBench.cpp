#include "ReplyAssembler.h"
#include "ReplyDecoder.h"
#include "ReplyEncoder.h"

#include <benchmark/benchmark.h>

#include <bit>
#include <vector>

namespace vemla {
namespace {

// A full instrument memory: 65,536 record frames of 22 bytes, 1.44 MB, as one upload sends it.
std::vector<uint8_t> UploadStream() {
    std::vector<uint8_t> stream;
    stream.reserve(65536 * 22);
    for (uint32_t i = 0; i < 65536; ++i) {
        RecordValues r;
        r.index = static_cast<uint16_t>(i);
        r.wavelength = 1550;
        r.power = std::bit_cast<float>(0xC1003D71u | (i * 7 & 0xFFu) << 16);
        r.reference = -20.5f;
        r.relative = (i & 1) != 0;
        r.date = {13, 10, 9, static_cast<uint8_t>(i % 24), static_cast<uint8_t>(i % 60)};
        const std::vector<uint8_t> frame = EncodeRecordReply(r);
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    return stream;
}

void AssembleAndDecodeUpload(benchmark::State& state) {
    const std::vector<uint8_t> stream = UploadStream();
    for (auto _ : state) {
        ReplyAssembler assembler;
        int rows = 0;
        for (uint8_t b : stream) {
            assembler.Feed(b, [&](const ReplyFrame& f) {
                auto texts = FormatRecordTexts(DecodeRecord(f));
                benchmark::DoNotOptimize(texts);
                ++rows;
            });
        }
        if (rows != 65536)
            state.SkipWithError("lost records");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(AssembleAndDecodeUpload)->Unit(benchmark::kMillisecond);

void AssembleUploadOnly(benchmark::State& state) {
    const std::vector<uint8_t> stream = UploadStream();
    for (auto _ : state) {
        ReplyAssembler assembler;
        unsigned sum = 0;
        for (uint8_t b : stream)
            assembler.Feed(b, [&](const ReplyFrame& f) { sum += f[4]; });
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(AssembleUploadOnly)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vemla

BENCHMARK_MAIN();
