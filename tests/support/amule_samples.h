#pragma once

// The downloads real aMule 2.3.3 had when it wrote the part files in
// tests/data/amule (its README tells how), in the order of their numbers.

#include "tools/fixture_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct AmuleSample {
    std::string number; // 001.part.met and so on
    fixtures::Download download;
    bool paused = false;
    std::uint8_t category = 0;
};

inline const std::vector<AmuleSample>& amuleSamples()
{
    static const std::vector<AmuleSample> samples = [] {
        std::string longName = "A Very Long File Name Used To Check That Names Of Three "
                               "Hundred Bytes Are Stored Whole";
        for (int i = 0; i < 105; ++i)
            longName += " x";
        return std::vector<AmuleSample>{
            {"001", {"Big.Movie.2160p.mkv", 5'000'000'000, "e53d243dd2ea741ac97ba3ffd054f22f"}},
            {"002",
             {"Boundary.Exactly.441.Chunks.iso", 4'290'048'000,
              "e588e3fcc081f03f068e1232fb4d020d"}},
            {"003",
             {"Boundary.Plus.One.Byte.iso", 4'290'048'001, "cad68620978e91b05b7c700a6f6457aa"}},
            {"004",
             {"Caf\xC3\xA9 del Mar \xE2\x80\x93 Ibiza 04.mp3", 8'123'456,
              "36be1ff5dde8e275e463d7436f9813ef"},
             false,
             1},
            {"005", {longName + ".avi", 734'003'200, "d8c7ab115a6186ba402ac60f3170596d"}},
            {"006", {"Small.One.Megabyte.zip", 1'000'000, "973e5ab3f6316ed1ef462d2e9ba5aead"}},
            {"007", {"One.Full.Chunk.avi", 9'728'000, "4c57042bb7a71e2a995a8a7d397d5ff1"}},
            {"008", {"Paused.Two.Chunks.avi", 9'728'001, "de5d93904a426670ee76112cce5fa1ba"}, true},
        };
    }();
    return samples;
}

} // namespace testing_support
