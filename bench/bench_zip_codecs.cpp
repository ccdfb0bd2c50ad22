// Throughput of the zip codecs against zlib on a fixed corpus: generated text, the plain
// payload of a binary data file of 10,000 generated reminders, and a compiled program (this
// benchmark itself).
// Names: <operation>/<tockwell|zlib>/<corpus>. After the run the ratios are printed.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/benchdata.h"
#include "benchreport.h"
#include "core/binarydatafile.h"
#include "platform/datetime.h"
#include "zip/crc32.h"
#include "zip/deflate.h"
#include "zip/inflate.h"

namespace {

using TBytes = std::vector<uint8_t>;

TBytes MakeText(size_t n) {
    static const char* words[] = {
        "the",    "reminder", "alert",    "snooze",  "meeting",  "tomorrow", "call",   "dentist",
        "weekly", "report",   "project",  "review",  "lunch",    "with",     "and",    "at",
        "of",     "Tockwell", "calendar", "on",      "monday",   "friday",   "send",   "email",
        "to",     "a",        "in",       "notes",   "deadline", "invoice",  "plants", "water",
        "renew",  "passport", "morning",  "evening", "is",       "for",      "by",     "from"};
    std::mt19937 rng(42);
    std::string s;
    while (s.size() < n) {
        int len = 5 + int(rng() % 14);
        for (int i = 0; i < len; ++i) {
            s += words[rng() % (sizeof words / sizeof *words)];
            s += (rng() % 11 == 0) ? ", " : " ";
        }
        s += ".\n";
    }
    s.resize(n);
    return TBytes(s.begin(), s.end());
}

// The plain payload of a binary data file (what it zips) holding 10,000 generated reminders,
// with some more holidays and date colours.
TBytes MakeReminders() {
    SetClock([] { return BenchNow; });
    TTockwellDB db;
    GenerateReminders(db, 10000, 7);
    std::mt19937 rng(7);
    for (int day = 0; day < 40; ++day)
        db.SetHoliday(45300 + 9 * day);
    for (int day = 0; day < 20; ++day)
        db.SetDateColor(int32_t(rng() & 0xFFFFFF), 45300 + 7 * day);
    TMemoryStream payload;
    WriteDataFilePayload(db, payload);
    SetClock({});
    return payload.Bytes();
}

TBytes ReadSelf() {
    std::ifstream f("/proc/self/exe", std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

const std::map<std::string, TBytes>& Corpus() {
    static const std::map<std::string, TBytes> corpus = {
        {"text", MakeText(4 << 20)}, {"reminders", MakeReminders()}, {"program", ReadSelf()}};
    return corpus;
}

TBytes ZlibDeflate(const TBytes& in, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    TBytes out(deflateBound(&z, in.size()));
    z.next_in = const_cast<uint8_t*>(in.data());
    z.avail_in = unsigned(in.size());
    z.next_out = out.data();
    z.avail_out = unsigned(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

class TInput : public IZipInput {
public:
    explicit TInput(const TBytes& d) : d_(d) {}
    size_t Read(uint8_t* buf, size_t max) override {
        size_t n = std::min(max, d_.size() - pos_);
        std::memcpy(buf, d_.data() + pos_, n);
        pos_ += n;
        return n;
    }

private:
    const TBytes& d_;
    size_t pos_ = 0;
};
class TOutput : public IZipOutput {
public:
    explicit TOutput(TBytes& d) : d_(d) {}
    void Write(const uint8_t* buf, size_t n) override {
        std::memcpy(d_.data() + pos_, buf, n);
        pos_ += n;
    }
    size_t pos_ = 0;

private:
    TBytes& d_;
};

void InflateOurs(benchmark::State& st, const std::string& name) {
    const TBytes& in = Corpus().at(name);
    TBytes z = ZlibDeflate(in, 6), out(in.size());
    TInflater inf;
    for (auto _ : st) {
        TInput src(z);
        TOutput dst(out);
        benchmark::DoNotOptimize(inf.Inflate(src, dst, in.size()));
    }
    if (out != in)
        st.SkipWithError("inflate result differs");
    st.SetBytesProcessed(int64_t(st.iterations() * in.size()));
}

void InflateZlib(benchmark::State& st, const std::string& name) {
    const TBytes& in = Corpus().at(name);
    TBytes z = ZlibDeflate(in, 6), out(in.size());
    for (auto _ : st) {
        z_stream s{};
        inflateInit2(&s, -15);
        s.next_in = z.data();
        s.avail_in = unsigned(z.size());
        s.next_out = out.data();
        s.avail_out = unsigned(out.size());
        benchmark::DoNotOptimize(inflate(&s, Z_FINISH));
        inflateEnd(&s);
    }
    if (out != in)
        st.SkipWithError("inflate result differs");
    st.SetBytesProcessed(int64_t(st.iterations() * in.size()));
}

void DeflateOurs(benchmark::State& st, const std::string& name, int level) {
    const TBytes& in = Corpus().at(name);
    TBytes out(in.size() + in.size() / 100 + 1024);
    TDeflater d(level);
    size_t size = 0;
    for (auto _ : st) {
        TInput src(in);
        TOutput dst(out);
        size = d.Compress(src, dst).OutSize;
    }
    st.counters["size"] = double(size);
    st.SetBytesProcessed(int64_t(st.iterations() * in.size()));
}

void DeflateZlib(benchmark::State& st, const std::string& name, int level) {
    const TBytes& in = Corpus().at(name);
    size_t size = 0;
    for (auto _ : st)
        size = ZlibDeflate(in, level).size();
    st.counters["size"] = double(size);
    st.SetBytesProcessed(int64_t(st.iterations() * in.size()));
}

void CrcOurs(benchmark::State& st, const std::string& name) {
    const TBytes& in = Corpus().at(name);
    for (auto _ : st)
        benchmark::DoNotOptimize(ZipCrc32(0, in.data(), in.size()));
    st.SetBytesProcessed(int64_t(st.iterations() * in.size()));
}

void CrcZlib(benchmark::State& st, const std::string& name) {
    const TBytes& in = Corpus().at(name);
    for (auto _ : st)
        benchmark::DoNotOptimize(crc32(0, in.data(), unsigned(in.size())));
    st.SetBytesProcessed(int64_t(st.iterations() * in.size()));
}

// After the table: each tockwell/zlib pair's time ratio, and the output sizes where counted,
// with the goals: inflate and CRC-32 at least zlib's throughput, deflate at level 6 at most 1.3
// times zlib's time with an output at most 1% larger.
void PrintSummary(const TTimesReporter& times) {
    std::printf("\nRatios (tockwell / zlib; time > 1 means slower, throughput is its inverse; "
                "goals in brackets)\n");
    times.ForEachPair(
        "/tockwell/", "/zlib/", [&times](const std::string& name, double ours, double zlib) {
            const size_t at = name.find("/tockwell/");
            const std::string op = name.substr(0, at);
            const std::string other = op + "/zlib/" + name.substr(at + 10);
            PrintRatioLine(name + " time", ours / zlib,
                           op == "deflate6"                   ? 1.3
                           : op == "inflate" || op == "crc32" ? 1.0
                                                              : 0);
            const double a = times.Counter(name, "size"), b = times.Counter(other, "size");
            if (a > 0 && b > 0)
                PrintRatioLine(name + " size", a / b, op == "deflate6" ? 1.01 : 0);
        });
}

} // namespace

int main(int argc, char** argv) {
    for (const char* c : {"text", "reminders", "program"}) {
        std::string n = c;
        benchmark::RegisterBenchmark(("inflate/tockwell/" + n).c_str(), InflateOurs, n);
        benchmark::RegisterBenchmark(("inflate/zlib/" + n).c_str(), InflateZlib, n);
        benchmark::RegisterBenchmark(("deflate6/tockwell/" + n).c_str(), DeflateOurs, n, 6);
        benchmark::RegisterBenchmark(("deflate6/zlib/" + n).c_str(), DeflateZlib, n, 6);
        benchmark::RegisterBenchmark(("deflate1/tockwell/" + n).c_str(), DeflateOurs, n, 1);
        benchmark::RegisterBenchmark(("deflate1/zlib/" + n).c_str(), DeflateZlib, n, 1);
        benchmark::RegisterBenchmark(("deflate9/tockwell/" + n).c_str(), DeflateOurs, n, 9);
        benchmark::RegisterBenchmark(("deflate9/zlib/" + n).c_str(), DeflateZlib, n, 9);
        benchmark::RegisterBenchmark(("crc32/tockwell/" + n).c_str(), CrcOurs, n);
        benchmark::RegisterBenchmark(("crc32/zlib/" + n).c_str(), CrcZlib, n);
    }
    benchmark::Initialize(&argc, argv);
    TTimesReporter reporter(PrintSummary);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
