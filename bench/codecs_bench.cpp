// Row conversion speed of the pixel codecs: DecodeRow, EncodeRow with and without dither,
// and decode followed by encode, for a 1024-pixel row, beside memcpy of the same bytes.
// Every case reports pixels per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codecs/pixel_codec.h"

namespace {

constexpr UINT ROW_PIXELS = 1024;
constexpr UINT ROWS = 2;  // the YUV codec holds one row: alternating rows makes it convert each time

struct BenchFormat {
    const char* name;
    D3DFORMAT format;
    UINT bytesPerPixel;
};

const BenchFormat FORMATS[] = {
    {"A8R8G8B8", D3DFMT_A8R8G8B8, 4}, {"X8R8G8B8", D3DFMT_X8R8G8B8, 4}, {"R5G6B5", D3DFMT_R5G6B5, 2},
    {"A1R5G5B5", D3DFMT_A1R5G5B5, 2}, {"A4R4G4B4", D3DFMT_A4R4G4B4, 2}, {"L8", D3DFMT_L8, 1},
    {"A8L8", D3DFMT_A8L8, 2},         {"P8", D3DFMT_P8, 1},             {"V8U8", D3DFMT_V8U8, 2},
    {"YUY2", D3DFMT_YUY2, 2},
};

// An image of ROWS rows of random bytes, a palette of random colours, and a row of colours
// that the format can hold (decoded from the image).
struct Fixture {
    std::vector<BYTE> image;
    std::vector<PALETTEENTRY> palette;
    std::vector<ColorF> colors;

    explicit Fixture(const BenchFormat& f) : image(ROWS * ROW_PIXELS * f.bytesPerPixel), palette(256), colors(ROW_PIXELS) {
        std::mt19937 random(5);
        for (BYTE& b : image) b = static_cast<BYTE>(random());
        for (PALETTEENTRY& e : palette) {
            e = PALETTEENTRY{BYTE(random()), BYTE(random()), BYTE(random()), BYTE(random())};
        }
        std::unique_ptr<PixelCodec> reader(MakePixelCodec(Region(f, false)));
        reader->DecodeRow(0, 0, colors.data());
    }

    PixelRegion Region(const BenchFormat& f, bool dither) {
        PixelRegion region;
        region.pixels = image.data();
        region.format = f.format;
        region.rowPitch = ROW_PIXELS * f.bytesPerPixel;
        region.extent = D3DBOX{0, 0, ROW_PIXELS, ROWS, 0, 1};
        region.box = region.extent;
        region.dither = dither ? 1 : 0;
        region.palette = palette.data();
        return region;
    }
};

void Finish(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * ROW_PIXELS);
}

void DecodeRowBench(benchmark::State& state, BenchFormat f) {
    Fixture fixture(f);
    std::unique_ptr<PixelCodec> codec(MakePixelCodec(fixture.Region(f, false)));
    std::vector<ColorF> row(ROW_PIXELS);
    std::uint32_t y = 0;
    for (auto _ : state) {
        codec->DecodeRow(y, 0, row.data());
        y ^= 1;
        benchmark::DoNotOptimize(row.data());
        benchmark::ClobberMemory();
    }
    Finish(state);
}

void EncodeRowBench(benchmark::State& state, BenchFormat f, bool dither) {
    Fixture fixture(f);
    std::unique_ptr<PixelCodec> codec(MakePixelCodec(fixture.Region(f, dither)));
    std::uint32_t y = 0;
    for (auto _ : state) {
        codec->EncodeRow(y, 0, fixture.colors.data());
        y ^= 1;
        benchmark::DoNotOptimize(fixture.image.data());
        benchmark::ClobberMemory();
    }
    Finish(state);
}

void DecodeEncodeBench(benchmark::State& state, BenchFormat f) {
    Fixture fixture(f);
    std::vector<BYTE> dest(fixture.image.size());
    std::unique_ptr<PixelCodec> reader(MakePixelCodec(fixture.Region(f, false)));
    PixelRegion destRegion = fixture.Region(f, false);
    destRegion.pixels = dest.data();
    std::unique_ptr<PixelCodec> writer(MakePixelCodec(destRegion));
    std::vector<ColorF> row(ROW_PIXELS);
    std::uint32_t y = 0;
    for (auto _ : state) {
        reader->DecodeRow(y, 0, row.data());
        writer->EncodeRow(y, 0, row.data());
        y ^= 1;
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
    }
    Finish(state);
}

void MemcpyBench(benchmark::State& state, UINT bytesPerPixel) {
    std::vector<BYTE> source(ROW_PIXELS * bytesPerPixel, 0x5A), dest(ROW_PIXELS * bytesPerPixel);
    for (auto _ : state) {
        std::memcpy(dest.data(), source.data(), source.size());
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
    }
    Finish(state);
}

}  // namespace

int main(int argc, char** argv) {
    for (UINT bytes : {1u, 2u, 4u}) {
        benchmark::RegisterBenchmark(("Memcpy/" + std::to_string(bytes) + "BytesPerPixel").c_str(), MemcpyBench,
                                     bytes);
    }
    for (const BenchFormat& f : FORMATS) {
        const std::string name = f.name;
        benchmark::RegisterBenchmark(("DecodeRow/" + name).c_str(), DecodeRowBench, f);
        benchmark::RegisterBenchmark(("EncodeRow/" + name).c_str(), EncodeRowBench, f, false);
        benchmark::RegisterBenchmark(("EncodeRowDither/" + name).c_str(), EncodeRowBench, f, true);
        benchmark::RegisterBenchmark(("DecodeEncode/" + name).c_str(), DecodeEncodeBench, f);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
