#include "zip/zipcontainer.h"

#include <gtest/gtest.h>

namespace {

class TNumber : public TZipObject {
public:
    explicit TNumber(int v = 0, std::string tag = {}) : Value(v), Tag(std::move(tag)) {}
    std::string ClassName() const override { return "TNumber"; }
    int Value;
    std::string Tag;
};

std::shared_ptr<TNumber> N(int v, std::string tag = {}) {
    return std::make_shared<TNumber>(v, std::move(tag));
}

class TNumberList : public TSortedObjectList {
public:
    using TSortedObjectList::TSortedObjectList;
    int Compare(const TZipObject& a, const TZipObject& b) const override {
        int x = static_cast<const TNumber&>(a).Value, y = static_cast<const TNumber&>(b).Value;
        return x < y ? -1 : x > y ? 1 : 0;
    }
};

int ValueAt(const TObjectList& l, int i) {
    return static_cast<const TNumber&>(*l[i]).Value;
}

struct TRegisterNumber {
    TRegisterNumber() {
        RegisterZipClass(
            "TNumber", [] { return std::make_shared<TNumber>(); },
            [](TZipObject& o, TStream& s) {
                static_cast<TNumber&>(o).Value = s.ReadValue<int32_t>();
            },
            [](const TZipObject& o, TStream& s) {
                s.WriteValue<int32_t>(static_cast<const TNumber&>(o).Value);
            });
    }
    ~TRegisterNumber() { UnregisterZipClass("TNumber"); }
};

} // namespace

TEST(ObjectList, IndexingGrowthAndNeighbours) {
    TObjectList l;
    EXPECT_EQ(l.First(), nullptr);
    auto a = N(1), b = N(2), c = N(3);
    l.Add(a);
    l.Add(c);
    l.Insert(1, b);
    for (int i = 0; i < 6; ++i)
        l.Add(N(10 + i));
    EXPECT_EQ(l.Count(), 9);
    EXPECT_EQ(ValueAt(l, 1), 2);
    EXPECT_EQ(l.IndexOf(c.get()), 2);
    EXPECT_EQ(l.IndexOf(nullptr), -1);
    EXPECT_THROW(l[9], EListError);
    EXPECT_THROW(l.Insert(11, N(0)), EListError);
    try {
        l[-1];
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "Index -1 is out of range");
    }

    EXPECT_EQ(l.Neighbour(nullptr, true), a);
    EXPECT_EQ(l.Neighbour(a.get(), true), b);
    EXPECT_EQ(l.Neighbour(a.get(), false), nullptr);
    EXPECT_EQ(l.Neighbour(l.Last().get(), true), nullptr);
    TNumber stranger(5);
    try {
        l.Neighbour(&stranger, true);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "tObject TNumber not in item list");
    }
    EXPECT_THROW(l.SetCapacity(3), EListError);
    EXPECT_THROW(l.SetCapacity(TObjectList::MaxListSize), EListError);
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.Capacity(), 0);
}

TEST(SortedObjectList, DuplicateModes) {
    TNumberList ignore(dupIgnore), accept(dupAccept), error(dupError);
    for (TNumberList* l : {&ignore, &accept, &error}) {
        for (int v : {5, 1, 3})
            l->Add(N(v, "first"));
    }
    EXPECT_EQ(ignore.Add(N(3, "second")), 1);
    EXPECT_EQ(ignore.Count(), 3);
    EXPECT_EQ(static_cast<TNumber&>(*ignore[1]).Tag, "first");

    accept.Add(N(3, "second"));
    ASSERT_EQ(accept.Count(), 4);
    EXPECT_EQ(static_cast<TNumber&>(*accept[1]).Tag, "first");
    EXPECT_EQ(static_cast<TNumber&>(*accept[2]).Tag, "second");

    try {
        error.Add(N(3));
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "Duplicate Object index");
    }
    EXPECT_EQ(error.Count(), 3);
    EXPECT_EQ(ValueAt(error, 0), 1);
    EXPECT_EQ(ValueAt(error, 2), 5);

    error.Insert(0, N(4)); // the index is ignored
    EXPECT_EQ(ValueAt(error, 2), 4);
    EXPECT_THROW(error.Put(0, N(0)), EListError);

    TNumber key(4);
    TFindResult f = error.Find(key);
    EXPECT_TRUE(f.Found);
    EXPECT_EQ(f.Index, 2);
    key.Value = 2;
    f = error.Find(key);
    EXPECT_FALSE(f.Found);
    EXPECT_EQ(f.Index, 1);
    EXPECT_EQ(error.IndexOf(error[3].get()), 3);
    EXPECT_EQ(error.IndexOf(&key), -1);
}

TEST(ObjectList, StreamsByRegisteredClass) {
    TRegisterNumber reg;
    TNumberList l(dupAccept);
    EXPECT_FALSE(l.StoredProperty().has_value()); // an empty list stores nothing
    for (int v : {7, -2, 7})
        l.Add(N(v));
    auto stored = l.StoredProperty();
    ASSERT_TRUE(stored.has_value());
    EXPECT_STREQ(TObjectList::StoredPropertyName, "ObjectContainer");

    TMemoryStream s(*stored);
    TNumberList back(dupError);
    back.ReadFromStream(s);
    EXPECT_EQ(back.Duplicates, dupAccept);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(ValueAt(back, 0), -2);
    EXPECT_EQ(ValueAt(back, 2), 7);

    // Unregistered class names and nothing at all are refused by name.
    class TOther : public TZipObject {
        std::string ClassName() const override { return "TOther"; }
    };
    TObjectList other;
    other.Add(std::make_shared<TOther>());
    TMemoryStream out;
    try {
        other.WriteToStream(out);
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_STREQ(e.what(), "Source Class <TOther> not registered");
    }
    EXPECT_THROW(WriteZipObject(out, nullptr), EClassNotFound);
    TMemoryStream unknown(std::string("\x01\x01\x00\x00\x00\x06TOther", 12));
    try {
        TObjectList r;
        r.ReadFromStream(unknown);
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_STREQ(e.what(), "Class <TOther> not registered");
    }
    // A count that the stream cannot hold is refused before anything is allocated.
    TMemoryStream huge(std::string("\x01\xff\xff\x00\x00", 5));
    TObjectList r;
    EXPECT_THROW(r.ReadFromStream(huge), EReadError);
}
