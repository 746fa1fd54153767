#include "ReplyAssembler.h"
#include "ReplyDecoder.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace vemla {
namespace {

// A full instrument memory: 65,536 record frames of 22 bytes, 1.44 MB, as one upload sends it.
std::vector<uint8_t> UploadStream() {
    std::vector<uint8_t> stream;
    stream.reserve(65536 * 22);
    for (uint32_t i = 0; i < 65536; ++i) {
        const uint8_t record[22] = {0xAA,
                                    22,
                                    0x05,
                                    static_cast<uint8_t>(i >> 8),
                                    static_cast<uint8_t>(i),
                                    0x06,
                                    0x0E,
                                    0xC1,
                                    static_cast<uint8_t>(i * 7),
                                    0x3D,
                                    0x71,
                                    0xC1,
                                    0xA4,
                                    0x00,
                                    0x00,
                                    static_cast<uint8_t>(i & 1),
                                    13,
                                    10,
                                    9,
                                    static_cast<uint8_t>(i % 24),
                                    static_cast<uint8_t>(i % 60),
                                    0x55};
        stream.insert(stream.end(), record, record + 22);
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
                auto row = FormatRecordTexts(DecodeRecord(f));
                benchmark::DoNotOptimize(row);
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
