#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "core/taggedstream.h"
#include "testutil.h"

namespace {

const char* const kBadTag = "Stream error: unexpected parameter type";

std::string Bytes(const std::vector<int>& bytes) {
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

// A block as the data file writes it: the field count, then the fields.
std::string Block(int count, const TMemoryStream& body) {
    TMemoryStream out;
    out.WriteValue<int32_t>(count);
    out.WriteBuffer(body.Memory(), static_cast<int64_t>(body.Bytes().size()));
    return out.AsString();
}

struct AllFields {
    int32_t i = 0;
    double f = 0;
    bool b = false;
    std::string s;
    int64_t i64 = 0;
    std::string segment;
    std::string plain;
    std::vector<int32_t> list;
};

// Writes one field of every kind in a fixed order.
std::string WriteAll(const AllFields& v) {
    TMemoryStream body;
    int count = 0;
    WriteTypeTag(body, sttInteger, count);
    body.WriteValue<int32_t>(v.i);
    WriteTypeTag(body, sttFloat, count);
    body.WriteValue<double>(v.f);
    WriteTaggedBool(body, v.b, count);
    WriteTypeTag(body, sttString, count);
    WriteStreamString(body, v.s);
    WriteTypeTag(body, sttInt64, count);
    body.WriteValue<int64_t>(v.i64);
    TMemoryStream sub(v.segment);
    sub.Seek(0, TSeekOrigin::soEnd); // the whole segment is written whatever its position
    WriteTaggedSubStream(body, sub, count);
    WriteStreamString(body, v.plain);
    WriteIntegerList(body, v.list);
    EXPECT_EQ(count, 6);
    return Block(count, body);
}

// Reads what WriteAll wrote, strictly; raises on any short read.
AllFields ReadAll(TStream& in) {
    AllFields v;
    int count = in.ReadValue<int32_t>();
    EXPECT_TRUE(ReadTypeTag(in, sttInteger, count, true));
    v.i = in.ReadValue<int32_t>();
    EXPECT_TRUE(ReadTypeTag(in, sttFloat, count, true));
    v.f = in.ReadValue<double>();
    ReadTaggedBool(in, v.b, count, true);
    EXPECT_TRUE(ReadTypeTag(in, sttString, count, true));
    v.s = ReadStreamString(in);
    EXPECT_TRUE(ReadTypeTag(in, sttInt64, count, true));
    v.i64 = in.ReadValue<int64_t>();
    TMemoryStream sub("stale content"); // replaced, also by an empty segment
    EXPECT_TRUE(ReadTaggedSubStream(in, sub, count));
    EXPECT_EQ(sub.Position(), 0);
    v.segment = sub.AsString();
    v.plain = ReadStreamString(in);
    ReadIntegerList(in, v.list);
    EXPECT_EQ(count, 0);
    return v;
}

} // namespace

TEST(TaggedStream, EveryValueKindRoundTrips) {
    AllFields v;
    v.i = -123456789;
    v.f = 1.0 / 3.0;
    v.b = true;
    v.s = "Grüße\r\n\0x";
    v.s += std::string("\0tail", 5);
    v.i64 = INT64_MIN + 7;
    v.segment = std::string("seg\0ment", 8);
    v.plain = "plain";
    v.list = {0, -1, INT32_MAX, INT32_MIN, 42};
    AllFields empty; // zero values, empty strings, empty segment and list
    for (const AllFields& w : {v, empty}) {
        TMemoryStream in(WriteAll(w));
        AllFields r = ReadAll(in);
        EXPECT_EQ(std::tie(r.i, r.f, r.b, r.s, r.i64, r.segment, r.plain, r.list),
                  std::tie(w.i, w.f, w.b, w.s, w.i64, w.segment, w.plain, w.list));
        EXPECT_EQ(in.Remaining(), 0);
    }
}

TEST(TaggedStream, LayoutIsLittleEndianWithOneByteTags) {
    TMemoryStream m;
    int count = 0;
    WriteStreamString(m, "");
    WriteStreamString(m, "ab");
    WriteTaggedBool(m, true, count);
    WriteIntegerList(m, {0x01020304});
    TMemoryStream sub("xyz");
    WriteTaggedSubStream(m, sub, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(m.AsString(), Bytes({0, 0, 0, 0,                                   // empty string
                                   2, 0, 0, 0, 'a', 'b',                         // "ab"
                                   2, 1,                                         // tagged true
                                   1, 0, 0, 0, 4,   3,   2, 1,                   // one-item list
                                   3, 0, 0, 0, 0,   0,   0, 0, 'x', 'y', 'z'})); // segment
}

TEST(TaggedStream, OlderReaderSkipsNewerFieldsAndNewerReaderKeepsDefaults) {
    // A newer writer: three fields an older reader knows, then two added later.
    TMemoryStream body;
    int count = 0;
    WriteTaggedBool(body, true, count);
    WriteTypeTag(body, sttInteger, count);
    body.WriteValue<int32_t>(77);
    TMemoryStream sub("nested");
    WriteTaggedSubStream(body, sub, count);
    WriteTypeTag(body, sttString, count);
    WriteStreamString(body, "added later");
    WriteTypeTag(body, sttFloat, count);
    body.WriteValue<double>(2.5);
    TMemoryStream file(Block(count, body));
    file.Seek(0, TSeekOrigin::soEnd);
    file.WriteValue<int32_t>(0x5EEDF00D); // what follows the block

    file.SetPosition(0);
    int n = file.ReadValue<int32_t>();
    EXPECT_EQ(n, 5);
    bool b = false;
    ReadTaggedBool(file, b, n, true);
    EXPECT_TRUE(b);
    ASSERT_TRUE(ReadTypeTag(file, sttInteger, n, true));
    EXPECT_EQ(file.ReadValue<int32_t>(), 77);
    TMemoryStream got;
    ASSERT_TRUE(ReadTaggedSubStream(file, got, n));
    EXPECT_EQ(got.AsString(), "nested");
    while (n > 0)
        SkipNextTaggedValue(file, n);
    EXPECT_EQ(file.ReadValue<int32_t>(), 0x5EEDF00D);

    // An older writer (one field) read by a newer reader: the missing fields keep their
    // defaults and nothing beyond the block is consumed.
    TMemoryStream oldBody;
    int oldCount = 0;
    WriteTaggedBool(oldBody, true, oldCount);
    TMemoryStream old(Block(oldCount, oldBody) + "TAIL");
    int m = old.ReadValue<int32_t>();
    bool first = false, second = true;
    ReadTaggedBool(old, first, m, true);
    ReadTaggedBool(old, second, m, true);
    EXPECT_TRUE(first);
    EXPECT_TRUE(second); // kept
    EXPECT_FALSE(ReadTypeTag(old, sttInteger, m, true));
    TMemoryStream untouched("keep");
    EXPECT_FALSE(ReadTaggedSubStream(old, untouched, m));
    EXPECT_EQ(untouched.AsString(), "keep");
    SkipNextTaggedValue(old, m); // count 0: no-op
    EXPECT_EQ(m, 0);
    EXPECT_EQ(old.Position(), 4 + 2);
}

TEST(TaggedStream, StrictAndLenientTypeMismatch) {
    // A string where a Boolean is expected.
    TMemoryStream body;
    int count = 0;
    WriteTypeTag(body, sttString, count);
    WriteStreamString(body, "skip me");
    WriteTaggedBool(body, true, count);
    std::string data = body.AsString();

    TMemoryStream lenient(data);
    int n = 2;
    bool value = false;
    ReadTaggedBool(lenient, value, n, false);
    EXPECT_FALSE(value);                      // kept: the string was skipped
    EXPECT_EQ(n, 1);                          // the skipped field was consumed
    EXPECT_EQ(lenient.Position(), 1 + 4 + 7); // right after the string
    ReadTaggedBool(lenient, value, n, false); // the next field is the Boolean
    EXPECT_TRUE(value);
    EXPECT_EQ(n, 0);

    TMemoryStream strict(data);
    n = 2;
    EXPECT_EQ(MessageOf([&] { ReadTypeTag(strict, sttBoolean, n, true); }), kBadTag);
    EXPECT_EQ(n, 2); // nothing consumed when it raised
}

TEST(TaggedStream, BadTagsRaise) {
    for (int tag : {5, 9, 255}) {
        TMemoryStream m(Bytes({tag, 0, 0, 0, 0, 0, 0, 0, 0}));
        int n = 1;
        EXPECT_EQ(MessageOf([&] { ReadTypeTag(m, sttInteger, n, false); }), kBadTag) << tag;
        m.SetPosition(0);
        n = 1;
        EXPECT_THROW(SkipNextTaggedValue(m, n), Exception);
        EXPECT_THROW(SkipTaggedValue(m, static_cast<uint8_t>(tag)), Exception);
    }
}

TEST(TaggedStream, LengthsAndCountsAreCheckedBeforeAllocating) {
    auto readString = [](TStream& s) { ReadStreamString(s); };
    auto readList = [](TStream& s) {
        std::vector<int32_t> l;
        ReadIntegerList(s, l);
    };
    auto readSegment = [](TStream& s) {
        TMemoryStream sub;
        int n = 1;
        ReadTaggedSubStream(s, sub, n);
    };
    auto skipString = [](TStream& s) { SkipTaggedValue(s, sttString); };

    const std::pair<std::vector<int>, std::function<void(TStream&)>> cases[] = {
        {{0xFF, 0xFF, 0xFF, 0xFF, 'a'}, readString},                     // -1
        {{0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}, readString},                // 2 GiB
        {{3, 0, 0, 0, 'a', 'b'}, readString},                            // one short
        {{0xFF, 0xFF, 0xFF, 0xFF}, readList},                            // -1 items
        {{0, 0, 0, 0x40, 1, 2, 3, 4}, readList},                         // 2^30 items
        {{2, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7}, readList},                   // 7 of 8 bytes
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, readSegment}, // -1 bytes
        {{0, 0, 0, 0, 0, 0, 0, 0x7F, 'x'}, readSegment},                 // 2^62 bytes
        {{0xFE, 0xFF, 0xFF, 0xFF}, skipString},
        {{9, 0, 0, 0, 'a'}, skipString},
    };
    for (const auto& [bytes, read] : cases) {
        TMemoryStream m(Bytes(bytes));
        EXPECT_THROW(read(m), EReadError) << testing::PrintToString(m.AsString());
    }

    // A list read replaces the content; a failed one leaves no stale items behind.
    std::vector<int32_t> list = {1, 2, 3};
    TMemoryStream ok(Bytes({1, 0, 0, 0, 9, 0, 0, 0}));
    ReadIntegerList(ok, list);
    EXPECT_EQ(list, std::vector<int32_t>{9});
    TMemoryStream bad(Bytes({5, 0, 0, 0}));
    EXPECT_THROW(ReadIntegerList(bad, list), EReadError);
    EXPECT_TRUE(list.empty());
}

TEST(TaggedStream, TruncatedInputRaisesAtEveryOffset) {
    AllFields v;
    v.i = 5;
    v.s = "text";
    v.segment = "abc";
    v.plain = "p";
    v.list = {1, 2};
    std::string full = WriteAll(v);
    for (size_t len = 0; len < full.size(); ++len) {
        TMemoryStream in(full.substr(0, len));
        EXPECT_THROW(ReadAll(in), EReadError) << "cut at " << len;
    }
    // Skipping the five tagged fields at the front, cut short anywhere, raises as well.
    auto skipFive = [](TStream& in) {
        int n = in.ReadValue<int32_t>();
        for (int k = 0; k < 5; ++k)
            SkipNextTaggedValue(in, n);
        return in.Position();
    };
    TMemoryStream whole(full);
    int64_t tagged = skipFive(whole);
    for (int64_t len = 0; len < tagged; ++len) {
        TMemoryStream in(full.substr(0, static_cast<size_t>(len)));
        EXPECT_THROW(skipFive(in), EReadError) << "cut at " << len;
    }
}
