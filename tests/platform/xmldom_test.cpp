#include <gtest/gtest.h>

#include <random>

#include "platform/xmldom.h"
#include "testutil.h"

TEST(XMLDocument, RoundTripKeepsNamesAttributesAndTexts) {
    const std::string special = "a&b <c> \"q\" 'a'\ttab\nline \xC3\xA4\xE2\x82\xAC";
    TempDir dir;
    {
        TXMLDocument doc;
        IXMLNode root = doc.CreateRoot("Tockwell-xml");
        root.SetAttribute("ver", "1.0");
        IXMLNode items = root.AddChild("Reminders");
        for (int i = 0; i < 3; ++i) {
            IXMLNode item = items.AddChild("ReminderItem");
            item.AddChild("Caption").SetText("Caption " + std::to_string(i));
            item.SetAttribute("n", std::to_string(i));
        }
        root.AddChild("Special").SetText(special);
        root.AddChild("Blanks").SetText("   ");
        root.AddChild("Empty").SetText("");
        root.SetAttribute("special", special);
        doc.SaveToFile(dir.File("a.xml"));
    }
    std::string saved = ReadFileBytes(dir.File("a.xml"));
    EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);
    EXPECT_NE(saved.find("\xC3\xA4\xE2\x82\xAC"), std::string::npos); // UTF-8, not escaped

    TXMLDocument doc;
    doc.LoadFromFile(dir.File("a.xml"));
    ASSERT_TRUE(doc.Active());
    IXMLNode root = doc.DocumentElement();
    EXPECT_EQ(root.NodeName(), "Tockwell-xml");
    EXPECT_EQ(root.Attribute("ver"), "1.0");
    EXPECT_EQ(root.Attribute("special"), special); // line break and tab kept in attributes
    EXPECT_EQ(root.ChildCount(), 4);
    IXMLNode items = root.FindChild("Reminders");
    ASSERT_TRUE(items);
    ASSERT_EQ(items.ChildCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items.Child(i).Attribute("n"), std::to_string(i));
        EXPECT_EQ(items.Child(i).FindChild("Caption").Text(), "Caption " + std::to_string(i));
    }
    EXPECT_EQ(root.FindChild("Special").Text(), special);
    EXPECT_EQ(root.FindChild("Blanks").Text(), "   "); // a caption of blanks survives
    EXPECT_EQ(root.FindChild("Empty").Text(), "");
    EXPECT_EQ(root.FindChild("Empty").ChildCount(), 0);

    // Text and file forms agree, and a second round trip changes nothing.
    EXPECT_EQ(doc.SaveToText(), saved);
    TXMLDocument again;
    again.LoadFromText(saved);
    EXPECT_EQ(again.SaveToText(), saved);
}

TEST(XMLDocument, WalksSeeElementsOnly) {
    TXMLDocument doc;
    doc.LoadFromText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE r>\n<!-- head -->\n"
                     "<r>\n  <!-- c -->\n  <?pi data?>\n  <a x=\"1\"/>\n  text\n"
                     "  <b><![CDATA[<raw>]]> &amp; more</b>\n  <a x=\"2\">  </a>\n</r>\n"
                     "<!-- tail -->\n");
    IXMLNode r = doc.DocumentElement();
    ASSERT_EQ(r.ChildCount(), 3);
    EXPECT_EQ(r.Child(0).NodeName(), "a");
    EXPECT_EQ(r.Child(1).NodeName(), "b");
    EXPECT_EQ(r.Child(2).NodeName(), "a");
    EXPECT_TRUE(r.Child(3).IsNull());
    EXPECT_TRUE(r.Child(-1).IsNull());
    EXPECT_EQ(r.FindChild("a").Attribute("x"), "1"); // the first of that name
    EXPECT_TRUE(r.FindChild("A").IsNull());          // names are case-sensitive
    EXPECT_EQ(r.Child(1).Text(), "<raw> & more");    // CDATA and text joined
    EXPECT_EQ(r.Child(2).Text(), "  ");

    // SetText replaces every text piece and leaves child elements alone.
    IXMLNode b = r.Child(1);
    b.AddChild("inner");
    b.SetText("new");
    EXPECT_EQ(b.Text(), "new");
    EXPECT_EQ(b.ChildCount(), 1);
    b.SetText("");
    EXPECT_EQ(b.Text(), "");
}

TEST(XMLDocument, IndexedWalksMatchTheTreeInAnyOrder) {
    // Nested and interleaved walks of many parents, forwards, backwards and at random, with
    // children appended in between: each must see the right element.
    TXMLDocument doc;
    IXMLNode root = doc.CreateRoot("r");
    const int parents = 20, kids = 50;
    for (int p = 0; p < parents; ++p) {
        IXMLNode n = root.AddChild("p");
        for (int k = 0; k < kids; ++k)
            n.AddChild("k").SetAttribute("id", std::to_string(p * 1000 + k));
    }
    TXMLDocument loaded;
    loaded.LoadFromText(doc.SaveToText());
    for (TXMLDocument* d : {&doc, &loaded}) {
        IXMLNode r = d->DocumentElement();
        ASSERT_EQ(r.ChildCount(), parents);
        std::mt19937 rng(7);
        for (int round = 0; round < 2000; ++round) {
            int p = static_cast<int>(rng() % parents), k = static_cast<int>(rng() % kids);
            if (round % 3 == 0)
                k = kids - 1 - (round / 3) % kids; // runs backwards
            ASSERT_EQ(r.Child(p).Child(k).Attribute("id"), std::to_string(p * 1000 + k));
        }
        for (int p = 0; p < parents; ++p) {
            IXMLNode n = r.Child(p);
            for (int k = 0; k < kids; ++k)
                ASSERT_EQ(n.Child(k).Attribute("id"), std::to_string(p * 1000 + k));
        }
        IXMLNode first = r.Child(0);
        ASSERT_EQ(first.ChildCount(), kids);
        first.AddChild("k").SetAttribute("id", "added");
        EXPECT_EQ(first.ChildCount(), kids + 1);
        EXPECT_EQ(first.Child(kids).Attribute("id"), "added");
        EXPECT_TRUE(first.Child(kids + 1).IsNull());
    }
}

TEST(XMLDocument, AttributesReadEmptyWhenAbsentAndAreReplacedInPlace) {
    TXMLDocument doc;
    IXMLNode root = doc.CreateRoot("r");
    EXPECT_EQ(root.Attribute("none"), "");
    EXPECT_FALSE(root.HasAttribute("none"));
    root.SetAttribute("a", "1");
    root.SetAttribute("a", "2");
    root.SetAttribute("empty", "");
    EXPECT_EQ(root.Attribute("a"), "2");
    EXPECT_TRUE(root.HasAttribute("empty"));
    EXPECT_EQ(doc.SaveToText(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<r a=\"2\" empty=\"\" />\n");
    EXPECT_THROW(root.SetAttribute("", "x"), EXMLDocError);
    EXPECT_THROW(root.AddChild(""), EXMLDocError);
}

// Lookups in any order, on elements in turn and after attributes were added, find each
// attribute (the search starts where the last one ended).
TEST(XMLDocument, AttributesFoundInAnyOrder) {
    TXMLDocument doc;
    doc.LoadFromText("<r><a x=\"1\" y=\"2\" z=\"3\"/><b y=\"4\" x=\"5\"/></r>");
    IXMLNode a = doc.DocumentElement().Child(0), b = doc.DocumentElement().Child(1);
    std::string seen;
    for (const char* name : {"x", "y", "z", "x", "z", "y", "w", "y", "x", "z", "z"})
        seen += a.Attribute(name) + ",";
    EXPECT_EQ(seen, "1,2,3,1,3,2,,2,1,3,3,");
    EXPECT_EQ(a.Attribute("y") + b.Attribute("y") + a.Attribute("z") + b.Attribute("x") +
                  b.Attribute("z") + a.Attribute(std::string("x")),
              "2435"
              "1");
    b.SetAttribute("w", "6");
    EXPECT_EQ(b.Attribute("x") + b.Attribute("w") + b.Attribute("y"), "564");
}

TEST(XMLDocument, MalformedDocumentsRaiseWithPositionAndLeaveNothing) {
    struct Case {
        const char* text;
        int64_t offset;
        const char* where;
    };
    const Case cases[] = {
        {"<r>\n  <a>\n</r>", 12, "line 3, column 3"}, // mismatched end tag
        {"<r a=\"1></r>", -1, "line 1"},              // unterminated attribute
        {"<r/><s/>", 4, "line 1, column 5"},          // two roots
        {"", 0, "line 1, column 1"},                  // no root at all
        {"   \n<!-- only a comment -->", -1, ""},
        {"<r>", -1, ""},
    };
    for (const Case& c : cases) {
        TXMLDocument doc;
        doc.CreateRoot("old");
        try {
            doc.LoadFromText(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const EXMLDocError& e) {
            if (c.offset >= 0) {
                EXPECT_EQ(e.Offset, c.offset) << c.text;
            }
            EXPECT_GE(e.Offset, 0) << c.text;
            EXPECT_NE(e.Message.find(c.where), std::string::npos) << e.Message;
        }
        EXPECT_FALSE(doc.Active()) << c.text;
        EXPECT_TRUE(doc.DocumentElement().IsNull());
    }

    TempDir dir;
    WriteFileBytes(dir.File("bad.xml"), "<r>\n<a></b>\n</r>");
    TXMLDocument doc;
    try {
        doc.LoadFromFile(dir.File("bad.xml"));
        ADD_FAILURE();
    } catch (const EXMLDocError& e) {
        EXPECT_NE(e.Message.find("bad.xml"), std::string::npos) << e.Message;
        EXPECT_NE(e.Message.find("line 2"), std::string::npos) << e.Message;
    }
    EXPECT_THROW(doc.LoadFromFile(dir.File("missing.xml")), EFOpenError);
    EXPECT_THROW(doc.SaveToFile(dir.File("no/such/folder/x.xml")), EFCreateError);
}

TEST(XMLDocument, HandlesStaySafeAfterClearAndReload) {
    TXMLDocument doc;
    doc.LoadFromText("<r><a x=\"1\"/></r>");
    IXMLNode a = doc.DocumentElement().Child(0);
    doc.Clear();
    EXPECT_FALSE(doc.Active());
    EXPECT_EQ(a.Attribute("x"), "1"); // still the old, detached tree
    doc.LoadFromText("<s/>");
    a.SetAttribute("x", "2");
    EXPECT_EQ(doc.SaveToText().find("x="), std::string::npos); // the new tree is untouched
    EXPECT_EQ(doc.DocumentElement().NodeName(), "s");

    IXMLNode null;
    EXPECT_TRUE(null.IsNull());
    EXPECT_FALSE(null);
    EXPECT_THROW(null.NodeName(), EXMLDocError);
    EXPECT_THROW(null.ChildCount(), EXMLDocError);
    EXPECT_THROW(null.Child(0), EXMLDocError);
    EXPECT_THROW(null.FindChild("a"), EXMLDocError);
    EXPECT_THROW(null.Attribute("a"), EXMLDocError);
    EXPECT_THROW(null.SetAttribute("a", "b"), EXMLDocError);
    EXPECT_THROW(null.AddChild("a"), EXMLDocError);
    EXPECT_THROW(null.Text(), EXMLDocError);
    EXPECT_THROW(null.SetText("x"), EXMLDocError);
    EXPECT_TRUE(doc.DocumentElement().FindChild("none").IsNull());
}

// What XML 1.0 cannot hold is dropped (a surrogate whole), bytes that are not UTF-8 become
// U+FFFD, and every other character is kept, also at the ends of the allowed ranges.
TEST(XMLDocument, TextsKeepOnlyWhatXmlCanHold) {
    using namespace std::string_literals;
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        std::string in, out;
    } cases[] = {
        {"a\0b\x01\x08\x0B\x0C\x0E\x1F"s + "c", "abc"},
        {"\t\n \x7F \xC2\x80\xC2\x9F", "\t\n \x7F \xC2\x80\xC2\x9F"}, // DEL and C1 are allowed
        {"x\xEF\xBF\xBEy\xEF\xBF\xBFz", "xyz"},                       // U+FFFE, U+FFFF
        {"\xEF\xBF\xBD\xEE\x80\x80\xED\x9F\xBF\xF4\x8F\xBF\xBF",      // U+FFFD, U+E000, U+D7FF,
         "\xEF\xBF\xBD\xEE\x80\x80\xED\x9F\xBF\xF4\x8F\xBF\xBF"},     // U+10FFFF
        {"x\xED\xA0\x80y\xED\xBF\xBFz", "xyz"},                       // surrogates
        {"x\xFFy\xC3z\xE2\x82", "x" + fffd + "y" + fffd + "z" + fffd + fffd},
        {"\xC0\xAF\xF0\x9F\x93\x85", fffd + fffd + "\xF0\x9F\x93\x85"}, // overlong, then emoji
    };
    for (const auto& c : cases) {
        TXMLDocument doc;
        IXMLNode root = doc.CreateRoot("r");
        root.SetAttribute("a", c.in);
        root.SetText(c.in);
        const std::string saved = doc.SaveToText();
        for (size_t at = saved.find("&#"); at != std::string::npos; at = saved.find("&#", at + 1))
            EXPECT_TRUE(saved.compare(at, 5, "&#09;") == 0 || saved.compare(at, 5, "&#10;") == 0)
                << saved; // tabs and line breaks in the attribute
        TXMLDocument back;
        back.LoadFromText(saved);
        EXPECT_EQ(back.DocumentElement().Attribute("a"), c.out) << saved;
        EXPECT_EQ(back.DocumentElement().Text(), c.out) << saved;
    }
}

// A raw CR reads as LF: the one a text or an attribute holds is written so that it reads back
// as CR, alone, before LF and after it, also when the document is saved and read again.
TEST(XMLDocument, CarriageReturnsReadBackAsWritten) {
    const std::string text = "\ra\rb\r\nc\n\rd  \r\n\r\n";
    TempDir dir;
    TXMLDocument doc;
    IXMLNode root = doc.CreateRoot("r");
    root.SetAttribute("a", text);
    root.AddChild("t").SetText(text);
    root.AddChild("u").SetText("\r");
    doc.SaveToFile(dir.File("a.xml"));
    const std::string saved = ReadFileBytes(dir.File("a.xml"));
    EXPECT_EQ(saved.find('\r'), std::string::npos) << saved;
    EXPECT_EQ(doc.SaveToText(), saved);

    TXMLDocument back;
    back.LoadFromFile(dir.File("a.xml"));
    IXMLNode r = back.DocumentElement();
    EXPECT_EQ(r.Attribute("a"), text);
    EXPECT_EQ(r.FindChild("t").Text(), text);
    EXPECT_EQ(r.FindChild("u").Text(), "\r");
    EXPECT_EQ(back.SaveToText(), saved);
}
