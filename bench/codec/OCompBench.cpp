// Block codec throughput and compressed sizes beside LZO1X on MIDI-like event data and English-like text.
#include "codec/COComp.h"
#include "codec/OCompCorpus.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <lzo/lzo1x.h>
#include <string>

namespace {
using Bytes = std::vector<uint8_t>;
using EncodeFn = int32_t (*)(const uint8_t*, int32_t, uint8_t*, void*);
using LzoCompressFn = int (*)(const lzo_bytep, lzo_uint, lzo_bytep, lzo_uintp, lzo_voidp);

struct Input {
    std::string name;
    Bytes data;
};

const std::vector<Input>& Inputs()
{
    static const std::vector<Input> inputs = [] {
        std::vector<Input> all;
        for (const std::size_t size : {20000, 60000, 200000, 1400000}) {
            const auto seed = static_cast<uint32_t>(size);
            all.push_back({"midi/" + std::to_string(size), ocomp_corpus::MidiLikeEvents(size, seed)});
            all.push_back({"text/" + std::to_string(size), ocomp_corpus::EnglishLikeText(size, seed)});
        }
        return all;
    }();
    return inputs;
}

std::size_t LzoBound(std::size_t n)
{
    return n + n / 16 + 64 + 3;
}

Bytes OurPayload(EncodeFn encode, const Bytes& data)
{
    Bytes out(COComp::MaxBlockSize(data.size()));
    out.resize(static_cast<std::size_t>(
        encode(data.data(), static_cast<int32_t>(data.size()), out.data(), nullptr)));
    return out;
}

Bytes LzoStream(LzoCompressFn compress, std::size_t workSize, const Bytes& data)
{
    Bytes out(LzoBound(data.size()));
    Bytes work(workSize);
    lzo_uint length = out.size();
    if (compress(data.data(), data.size(), out.data(), &length, work.data()) != LZO_E_OK)
        std::abort();
    out.resize(length);
    return out;
}

void Report(benchmark::State& state, const Bytes& data, std::size_t compressed)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["compressed"] = static_cast<double>(compressed);
    state.counters["ratio"] = static_cast<double>(compressed) / static_cast<double>(data.size());
}

void OurCompress(benchmark::State& state, EncodeFn encode, const Bytes& data)
{
    Bytes out(COComp::MaxBlockSize(data.size()));
    int32_t size = 0;
    for (auto _ : state) {
        size = encode(data.data(), static_cast<int32_t>(data.size()), out.data(), nullptr);
        benchmark::DoNotOptimize(out.data());
    }
    Report(state, data, static_cast<std::size_t>(size));
}

void LzoCompress(benchmark::State& state, LzoCompressFn compress, std::size_t workSize, const Bytes& data)
{
    Bytes out(LzoBound(data.size()));
    Bytes work(workSize);
    lzo_uint length = 0;
    for (auto _ : state) {
        length = out.size();
        compress(data.data(), data.size(), out.data(), &length, work.data());
        benchmark::DoNotOptimize(out.data());
    }
    Report(state, data, length);
}

void OurDecode(benchmark::State& state, EncodeFn encode, const Bytes& data)
{
    const Bytes payload = OurPayload(encode, data);
    Bytes out(data.size());
    for (auto _ : state) {
        const int32_t n = OCompDecode(payload.data(), static_cast<int32_t>(payload.size()), out.data(),
                                      static_cast<int32_t>(out.size()));
        if (n != static_cast<int32_t>(data.size()))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.data());
    }
    if (out != data)
        state.SkipWithError("round trip differs");
    Report(state, data, payload.size());
}

void LzoDecode(benchmark::State& state, LzoCompressFn compress, std::size_t workSize, const Bytes& data)
{
    const Bytes stream = LzoStream(compress, workSize, data);
    Bytes out(data.size());
    for (auto _ : state) {
        lzo_uint length = out.size();
        if (lzo1x_decompress_safe(stream.data(), stream.size(), out.data(), &length, nullptr) != LZO_E_OK)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.data());
    }
    Report(state, data, stream.size());
}

void RegisterAll()
{
    for (const Input& input : Inputs()) {
        const Bytes* data = &input.data;
        const std::string& name = input.name;
        // Decoders, each on the stream of the compressor it is paired with.
        benchmark::RegisterBenchmark(("decode/ours_m2/" + name).c_str(), OurDecode, OCompEncodeChain, *data);
        benchmark::RegisterBenchmark(("decode/lzo_999/" + name).c_str(), LzoDecode, lzo1x_999_compress,
                                     std::size_t{LZO1X_999_MEM_COMPRESS}, *data);
        benchmark::RegisterBenchmark(("decode/ours_m0/" + name).c_str(), OurDecode, OCompEncodeFast, *data);
        benchmark::RegisterBenchmark(("decode/lzo_1/" + name).c_str(), LzoDecode, lzo1x_1_compress,
                                     std::size_t{LZO1X_1_MEM_COMPRESS}, *data);
        // Compressors.
        benchmark::RegisterBenchmark(("compress/ours_m0/" + name).c_str(), OurCompress, OCompEncodeFast,
                                     *data);
        benchmark::RegisterBenchmark(("compress/ours_m1/" + name).c_str(), OurCompress, OCompEncodeLazy,
                                     *data);
        benchmark::RegisterBenchmark(("compress/lzo_1/" + name).c_str(), LzoCompress, lzo1x_1_compress,
                                     std::size_t{LZO1X_1_MEM_COMPRESS}, *data);
        benchmark::RegisterBenchmark(("compress/ours_m2/" + name).c_str(), OurCompress, OCompEncodeChain,
                                     *data);
        benchmark::RegisterBenchmark(("compress/lzo_999/" + name).c_str(), LzoCompress, lzo1x_999_compress,
                                     std::size_t{LZO1X_999_MEM_COMPRESS}, *data);
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (lzo_init() != LZO_E_OK)
        return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
