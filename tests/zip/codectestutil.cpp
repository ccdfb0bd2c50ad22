#include "codectestutil.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <zlib.h>

#include "zip/deflate.h"
#include "zip/inflate.h"
#include "zip/ziperrors.h"

size_t TMemInput::Read(uint8_t* buf, size_t max) {
    size_t n = std::min({max, chunk_, data_.size() - pos_});
    if (n == 0 && raise_)
        throw EFatalUnzipError("Premature end of file reached");
    if (n)
        std::memcpy(buf, data_.data() + pos_, n);
    pos_ += n;
    return n;
}

void TBitPack::Bits(uint32_t v, int count) {
    for (int i = 0; i < count; ++i) {
        acc_ |= ((v >> i) & 1u) << n_;
        if (++n_ == 8) {
            out_.push_back(uint8_t(acc_));
            acc_ = 0;
            n_ = 0;
        }
    }
}

void TBitPack::Align() {
    if (n_)
        Bits(0, 8 - n_);
}

TBytes TBitPack::Done() {
    Align();
    return out_;
}

TBytes ZlibDeflateRaw(const TBytes& in, int level, int windowBits, int strategy, size_t flushEvery,
                      int flush) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -windowBits, 8, strategy) != Z_OK)
        return {};
    TBytes out(deflateBound(&z, in.size()) + 64 + (flushEvery ? in.size() / flushEvery * 16 : 0));
    z.next_out = out.data();
    z.avail_out = unsigned(out.size());
    size_t pos = 0;
    do {
        size_t n = flushEvery ? std::min(flushEvery, in.size() - pos) : in.size() - pos;
        z.next_in = const_cast<uint8_t*>(in.data() + pos);
        z.avail_in = unsigned(n);
        pos += n;
        int f = pos == in.size() ? Z_FINISH : flush;
        int r = deflate(&z, f);
        if (f == Z_FINISH && r != Z_STREAM_END)
            return {};
    } while (pos < in.size());
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

TBytes ZlibDeflateRawTuned(const TBytes& in, int level, int good, int lazy, int nice, int chain) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    TBytes out;
    if (deflateTune(&z, good, lazy, nice, chain) == Z_OK) {
        out.resize(deflateBound(&z, in.size()) + 64);
        z.next_in = const_cast<uint8_t*>(in.data());
        z.avail_in = unsigned(in.size());
        z.next_out = out.data();
        z.avail_out = unsigned(out.size());
        out.resize(deflate(&z, Z_FINISH) == Z_STREAM_END ? z.total_out : 0);
    }
    deflateEnd(&z);
    return out;
}

bool ZlibInflateRaw(const TBytes& in, TBytes& out) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK)
        return false;
    out.clear();
    z.next_in = const_cast<uint8_t*>(in.data());
    z.avail_in = unsigned(in.size());
    uint8_t buf[65536];
    int r;
    do {
        z.next_out = buf;
        z.avail_out = sizeof buf;
        r = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), buf, buf + (sizeof buf - z.avail_out));
    } while (r == Z_OK && !(z.avail_in == 0 && z.avail_out != 0));
    inflateEnd(&z);
    return r == Z_STREAM_END;
}

TBytes OurDeflate(const TBytes& in, int level, uint16_t* method) {
    TDeflater d(level);
    TMemInput src(in, false);
    TMemOutput dst;
    TDeflateResult r = d.Compress(src, dst);
    if (method)
        *method = r.Method;
    return dst.Data;
}

TBytes OurInflate(const TBytes& in, uint64_t maxOutput, size_t chunk) {
    TInflater inf;
    TMemInput src(in, true, chunk);
    TMemOutput dst;
    inf.Inflate(src, dst, maxOutput);
    return dst.Data;
}

TBytes RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    TBytes b(n);
    for (auto& c : b)
        c = uint8_t(rng());
    return b;
}

TBytes TextBytes(size_t n, uint32_t seed) {
    static const char* words[] = {
        "the",     "reminder", "alert",  "snooze",   "meeting",   "tomorrow", "call",
        "dentist", "weekly",   "report", "project",  "review",    "lunch",    "with",
        "and",     "at",       "of",     "Tockwell", "calendar",  "on",       "monday",
        "friday",  "deadline", "send",   "email",    "to",        "a",        "in",
        "notes:",  "buy",      "milk",   "bread",    "call-back", "9:30",     "2026-05-17"};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) {
        int len = 4 + int(rng() % 12);
        for (int i = 0; i < len; ++i) {
            s += words[rng() % (sizeof words / sizeof *words)];
            s += (rng() % 9 == 0) ? ", " : " ";
        }
        s += (rng() % 3 == 0) ? ".\r\n" : ".\n";
    }
    s.resize(n);
    return ToBytes(s);
}

TBytes RecordBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    TBytes b;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
    };
    auto putStr = [&](const std::string& s) {
        put32(uint32_t(s.size()));
        b.insert(b.end(), s.begin(), s.end());
    };
    static const char* caps[] = {"Pay rent",         "Call mother",         "Team meeting",
                                 "Water the plants", "Dentist appointment", "Renew passport",
                                 "Backup the laptop"};
    static const char* notes[] = {"", "Bring the documents.", "Room 4.12, second floor",
                                  "Ask about the invoice from last month",
                                  "https://example.org/agenda"};
    uint32_t id = 1000;
    while (b.size() < n) {
        put32(0x52454D31); // record tag
        put32(id++);
        b.push_back(1);
        putStr(caps[rng() % 7] + std::string(" #") + std::to_string(rng() % 500));
        b.push_back(2);
        putStr(notes[rng() % 5]);
        b.push_back(3); // times as doubles
        double t = 46000.0 + (rng() % 100000) / 97.0;
        uint8_t raw[8];
        std::memcpy(raw, &t, 8);
        b.insert(b.end(), raw, raw + 8);
        b.push_back(4);
        put32(rng() % 3);
        put32(0x7F & rng());
        for (int a = 0; a < 7; ++a)
            b.push_back(uint8_t(rng() % 4 == 0));
    }
    b.resize(n);
    return b;
}

TBytes SkewedBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    TBytes b;
    while (b.size() < n) {
        uint8_t c = uint8_t("abcd\0\xff"[rng() % 6]);
        size_t run = 1 + (rng() % 4 == 0 ? rng() % 600 : rng() % 3);
        b.insert(b.end(), run, c);
    }
    b.resize(n);
    return b;
}

TBytes ToBytes(const std::string& s) {
    return TBytes(s.begin(), s.end());
}
