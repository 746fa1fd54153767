#include "ReplyAssembler.h"
#include "RecordFrame.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vemla {
namespace {

// Cut records, corrupted length bytes and wrong end bytes at every position are read by
// NoisyStreamYieldsEveryIntactFrameInOrder; the other tests here are the cases it cannot make.

using test::Bytes;
using test::Record;

// Feeds every byte. That the assembler never holds more than 200 bytes is the sanitizer
// builds' to see: they check every index of its buffer.
std::vector<Bytes> Assemble(ReplyAssembler& assembler, const Bytes& stream) {
    std::vector<Bytes> frames;
    for (uint8_t b : stream)
        assembler.Feed(b, [&](const ReplyFrame& f) {
            frames.emplace_back(f.Bytes().begin(), f.Bytes().end());
            EXPECT_FALSE(assembler.InFrame());
        });
    return frames;
}

std::vector<Bytes> Assemble(const Bytes& stream) {
    ReplyAssembler assembler;
    return Assemble(assembler, stream);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes kEnd{0xAA, 0x04, 0x05, 0x55};

TEST(ReplyAssembler, StartAndEndBytesInsidePayloadAreData) {
    Bytes r = Record(0);
    for (std::size_t i : {5u, 7u, 11u, 14u, 16u})
        r[i] = 0xAA;
    for (std::size_t i : {6u, 8u, 12u, 20u})
        r[i] = 0x55;
    EXPECT_EQ(Assemble(Cat({r, kEnd})), (std::vector<Bytes>{r, kEnd}));
}

// A lone start byte makes the next frame's start byte a length of 170, which is a valid
// length: the frames inside come out once those 170 bytes have passed without an end byte.
TEST(ReplyAssembler, StrayStartByteHoldsNextFramesUntilLength170Passes) {
    ReplyAssembler assembler;
    EXPECT_TRUE(Assemble(assembler, Cat({{0xAA}, Record(8), kEnd})).empty());
    EXPECT_EQ(Assemble(assembler, Bytes(170 - 27, 0x00)), (std::vector<Bytes>{Record(8), kEnd}));
    EXPECT_FALSE(assembler.InFrame());
}

// Noise before the start byte is dropped; an end byte right after a bad length would complete
// a bogus frame if the length were kept.
TEST(ReplyAssembler, CorruptedLengthByteIsAbandonedAtOnce) {
    for (uint8_t length : {0, 1, 2, 201, 255})
        EXPECT_EQ(Assemble({0x55, 0xAA, length, 0x55, 0xAA, 0x04, 0x05, 0x55}),
                  std::vector<Bytes>{kEnd})
            << int{length};
}

TEST(ReplyAssembler, WrongEndByteAbandonsFrameAndRescansItsBytes) {
    // An end frame hidden in the abandoned one's payload comes out when the rescan reaches it.
    Bytes r = Record(3);
    std::copy(kEnd.begin(), kEnd.end(), r.begin() + 10);
    r[21] = 0x00;
    EXPECT_EQ(Assemble(r), std::vector<Bytes>{kEnd});
    // Rescans that are abandoned again: a bad length, then a frame still open when the stored
    // bytes run out, which the next live frame's bytes abandon in turn.
    r = Record(3);
    r[5] = 0xAA, r[6] = 0x02;
    std::copy(kEnd.begin(), kEnd.end(), r.begin() + 7);
    r[12] = 0xAA, r[13] = 12, r[21] = 0x00;
    EXPECT_EQ(Assemble(Cat({r, Record(4)})), (std::vector<Bytes>{kEnd, Record(4)}));
}

TEST(ReplyAssembler, LongestFrameOf200BytesCompletes) {
    Bytes f(200, 0x00);
    f[0] = 0xAA, f[1] = 200, f[2] = 0x01, f[199] = 0x55;
    EXPECT_EQ(Assemble(f), std::vector<Bytes>{f});
}

TEST(ReplyAssembler, NoisyStreamYieldsEveryIntactFrameInOrder) {
    std::mt19937 rng(20131009);
    auto plain = [&] { // never a start or end byte, so noise alone can complete no frame
        uint8_t b;
        do
            b = static_cast<uint8_t>(rng());
        while (b == 0xAA || b == 0x55);
        return b;
    };
    auto record = [&](uint16_t index) {
        Bytes r = Record(index);
        for (std::size_t i = 5; i < 21; ++i)
            r[i] = plain();
        return r;
    };
    Bytes stream;
    std::vector<Bytes> intact;
    for (uint16_t i = 0; i < 2000; ++i) {
        Bytes noise;
        switch (rng() % 5) {
        case 0: // a garbage run
            for (unsigned n = rng() % 40; n > 0; --n)
                noise.push_back(plain());
            break;
        case 1: // a record cut short
            noise = record(60000);
            noise.resize(1 + rng() % 21);
            break;
        case 2: // a corrupted length byte
            noise = {0xAA, static_cast<uint8_t>(rng() % 2 ? rng() % 3 : 201 + rng() % 55), plain()};
            break;
        case 3: // a wrong end byte
            noise = record(60001);
            noise[21] = plain();
            break;
        } // 4: no noise
        intact.push_back(record(i));
        stream.insert(stream.end(), noise.begin(), noise.end());
        stream.insert(stream.end(), intact.back().begin(), intact.back().end());
    }
    EXPECT_EQ(Assemble(stream), intact);
}

} // namespace
} // namespace vemla
