// Settings files the program never wrote: which texts may reach JUCE's reader, and how the panel starts
// from a file that may not (defaults, the file kept aside under a number of its own, the next save
// writing a good one).
#include "DeviceRoadFixture.h"
#include "SettingsTestSupport.h"

#include "SettingsFileCheck.h"

using namespace road_tests;

namespace
{
    const std::string header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n";

    std::string repeated (const std::string& piece, int count)
    {
        std::string result;
        for (int i = 0; i < count; ++i)
            result += piece;
        return result;
    }

    // The root with `count` distinct values in it: count + 1 elements.
    std::string withKeys (int count)
    {
        std::string body;
        for (int i = 0; i < count; ++i)
            body += "  <VALUE name=\"k" + std::to_string (i) + "\" val=\"v\"/>\n";
        return header + "<PROPERTIES>\n" + body + "</PROPERTIES>\n";
    }

    // Elements nested `levels` deep, never closed (the crashing file is 100,000 levels in 700 kB).
    std::string nested (int levels)
    {
        return header + "<PROPERTIES>" + repeated ("<VALUE>", levels - 1);
    }

    // A file nesting `levels` deep, every element closed.
    std::string nestedAndClosed (int levels)
    {
        return "<PROPERTIES>" + repeated ("<VALUE>", levels - 1) + repeated ("</VALUE>", levels - 1) + "</PROPERTIES>";
    }

    // About 2 MB of distinct keys.
    std::string twoMegabytesOfKeys()
    {
        return withKeys (62000);
    }

    bool isSafe (const std::string& text)
    {
        return SettingsFileCheck::isSafeToRead (text.data(), text.size());
    }

    // How deep JUCE's own reader builds the text, read from a file as the store reads it (bytes as they
    // are), walked without recursion.
    int depthBuiltByReader (const std::string& text)
    {
        const juce::TemporaryFile temporary;
        if (! temporary.getFile().replaceWithData (text.data(), text.size()))
            return -1;
        auto xml = juce::parseXML (temporary.getFile());
        int deepest = 0;
        std::vector<std::pair<const juce::XmlElement*, int>> open;
        if (xml != nullptr)
            open.push_back ({ xml.get(), 1 });
        while (! open.empty())
        {
            const auto [element, depth] = open.back();
            open.pop_back();
            deepest = std::max (deepest, depth);
            for (auto* child : element->getChildIterator())
                if (! child->isTextElement())
                    open.push_back ({ child, depth + 1 });
        }
        return deepest;
    }

    struct TextCase
    {
        const char* name;
        std::string text;
    };

    void PrintTo (const TextCase& c, std::ostream* os)
    {
        *os << c.name;
    }
}

//==============================================================================
// What the program writes, however the values are arranged, goes to the reader.
class SafeSettingsText : public ::testing::TestWithParam<TextCase>
{};

TEST_P (SafeSettingsText, IsHandedToTheReader)
{
    EXPECT_TRUE (isSafe (GetParam().text));
}

INSTANTIATE_TEST_SUITE_P (
    AsWritten, SafeSettingsText,
    ::testing::Values (
        TextCase { "the program's three keys",
                   header
                       + "<PROPERTIES>\n  <VALUE name=\"MON\" val=\"true\"/>\n  <VALUE name=\"MON_INPUT\" val=\"2\"/>\n"
                         "  <VALUE name=\"WindowPosition\" val=\"100 50 352 319\"/>\n</PROPERTIES>\n" },
        TextCase { "empty", "" },
        TextCase { "byte order mark, comments and instructions",
                   "\xef\xbb\xbf <!-- kept by hand --> " + header
                       + "<PROPERTIES><?pi x?><!-- \" ' > --><VALUE name=\"a\" val=\"b\"/></PROPERTIES>" },
        TextCase { "escaped characters and quoted markup signs",
                   "<PROPERTIES><VALUE name=\"w\" val=\"a &amp; b &quot;c&quot; &lt;&gt; &#13;&#10;&#x41; /> '\"/>"
                   "<VALUE name='q' val='\"'/></PROPERTIES>" },
        TextCase { "'>' in quoted values", "<PROPERTIES><VALUE name=\"a\" val=\">\"/><VALUE name=\"b\" val='>'/></PROPERTIES>" },
        TextCase { "multi-byte characters",
                   "<PROPERTIES><VALUE name=\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\x9a\" val=\"x\"/></PROPERTIES>" },
        TextCase { "values written open and closed", "<PROPERTIES><VALUE name=\"a\" val=\"b\"></VALUE></PROPERTIES>" },
        TextCase { "a value kept as an element, as JUCE writes markup",
                   header + "<PROPERTIES>\n  <VALUE name=\"a\">\n    <b x=\"1\"><c>&lt;</c></b>\n  </VALUE>\n</PROPERTIES>\n" },
        TextCase { "as deep as allowed", nestedAndClosed (SettingsFileCheck::maxDepth) },
        TextCase { "cut inside the closing tag", header + "<PROPERTIES><VALUE name=\"MON\" val=\"true\"/></PROPER" },
        TextCase { "cut inside a tag", header + "<PROPERTIES><VALUE name=\"MON\" va" },
        TextCase { "what follows a NUL is not read", "<PROPERTIES/>" + std::string (1, '\0') + nested (50) },
        TextCase { "as many elements as allowed", withKeys (SettingsFileCheck::maxElements - 1) }));

// Texts the program could never have written, among them some that hide their depth from a careless
// scan, are kept from the reader.
class UnsafeSettingsText : public ::testing::TestWithParam<TextCase>
{};

TEST_P (UnsafeSettingsText, IsKeptFromTheReader)
{
    EXPECT_FALSE (isSafe (GetParam().text));
}

INSTANTIATE_TEST_SUITE_P (
    NeverWritten, UnsafeSettingsText,
    ::testing::Values (
        TextCase { "100,000 levels", nested (100000) },
        TextCase { "one level too deep", nestedAndClosed (SettingsFileCheck::maxDepth + 1) },
        TextCase { "stray closing tags first", "</a></a></a>" + nestedAndClosed (SettingsFileCheck::maxDepth + 1) },
        TextCase { "one element too many", withKeys (SettingsFileCheck::maxElements) },
        TextCase { "2 MB of keys", twoMegabytesOfKeys() },
        TextCase { "a document type",
                   header + "<!DOCTYPE PROPERTIES [<!ENTITY a \"&a;\">]><PROPERTIES><VALUE name=\"x\" val=\"&a;\"/></PROPERTIES>" },
        TextCase { "an external document type", header + "<!DOCTYPE PROPERTIES SYSTEM \"settings.dtd\"><PROPERTIES/>" },
        TextCase { "the binary format", std::string ("PROP\x01\x00\x00\x00", 8) + "<PROPERTIES/>" },
        TextCase { "plain text", "not a settings file <PROPERTIES/>" },
        TextCase { "UTF-16", std::string ("\xff\xfe<\0P\0/\0>\0", 10) },
        TextCase { "'<' inside a quoted value", "<PROPERTIES><VALUE name=\"a<\" val=\"b\"/></PROPERTIES>" },
        TextCase { "a malformed multi-byte character", "<PROPERTIES><VALUE name=\"\xf0\" val=\"b\"/></PROPERTIES>" },
        TextCase { "an entity without its ';'", "<PROPERTIES>&amp</PROPERTIES>" }));

// Each of these builds more levels than allowed in JUCE's reader, most of them behind a quote or an entity
// that a scan trusting the first quote or '>' it meets would take at face value.
TEST (SettingsFileCheck, TextsThatNestDeeperInTheReaderAreKeptFromIt)
{
    const auto deeper = repeated ("<VALUE>", 40) + repeated ("</VALUE>", 40);
    const TextCase hidden[] = {
        { "comment inside a tag", "<PROPERTIES><VALUE <!-- ' --> >" + deeper + "'/></VALUE></PROPERTIES>" },
        { "entity reaching across a quote", "<PROPERTIES><VALUE a=\"&q\" b='; \">" + deeper + "'/></VALUE></PROPERTIES>" },
        { "entity name holding tags", "<PROPERTIES><VALUE>&" + deeper + ";</VALUE></PROPERTIES>" },
        { "malformed character before a quote", "<PROPERTIES><VALUE a=\"\xf1\" b='\">" + deeper + "'/></VALUE></PROPERTIES>" },
    };

    for (const auto& c : hidden)
    {
        EXPECT_GT (depthBuiltByReader (c.text), SettingsFileCheck::maxDepth) << c.name;
        EXPECT_FALSE (isSafe (c.text)) << c.name;
    }
}

TEST (SettingsFileCheck, SizeIsCappedAtTheByte)
{
    const auto text = header + "<PROPERTIES/>";
    auto padded = [&text] (juce::int64 size) { return text + std::string (size_t (size) - text.size(), ' '); };

    EXPECT_TRUE (isSafe (padded (SettingsFileCheck::maxFileBytes)));
    EXPECT_FALSE (isSafe (padded (SettingsFileCheck::maxFileBytes + 1)));
}

//==============================================================================
// The fixture leaves nothing set aside by an earlier test: the first file set aside is the first one.
class RejectedSettings : public DeviceRoadTest
{
protected:
    const juce::File aside = setAsideFile (1);
};

// The crashing and the stalling file: the panel starts with nothing from them, keeps them aside byte for
// byte, and its next save writes a good file.
class RejectedFile : public RejectedSettings,
                     public ::testing::WithParamInterface<TextCase>
{};

TEST_P (RejectedFile, PanelStartsWithDefaultsAndKeepsTheFileAside)
{
    const auto& content = GetParam().text;
    writeRawSettings (content);

    attachDevice();
    EXPECT_EQ (panel->appProperties.getUserSettings()->getAllProperties().size(), 0);
    EXPECT_TRUE (panel->buttonLine->getToggleState());
    EXPECT_FALSE (panel->buttonToggleMonitoring->getToggleState());
    EXPECT_FALSE (settingsFile().exists());

    EXPECT_EQ (aside.getFileName(), "Tolva USB.settings.bad1");
    juce::MemoryBlock kept;
    ASSERT_TRUE (aside.loadFileAsData (kept));
    EXPECT_TRUE (kept == juce::MemoryBlock (content.data(), content.size()));

    click (*panel->buttonMic);
    destroyPanel();
    EXPECT_EQ (readSettingsXml(), (Values { { "MON", "false" }, { "MON_INPUT", "1" } }));
    EXPECT_TRUE (aside.deleteFile());
}

INSTANTIATE_TEST_SUITE_P (CrashingOrStalling, RejectedFile,
                          ::testing::Values (TextCase { "100,000 levels", nested (100000) },
                                             TextCase { "2 MB of keys", twoMegabytesOfKeys() }));

// Each rejected file is kept under a number one above the highest there, so none replaces an earlier
// one; only the newest few files stay, and a folder holding such a name is never removed nor counted.
TEST_F (RejectedSettings, EachRejectedFileIsKeptUnderANewNumberAndOnlyTheNewestFewStay)
{
    const auto oldStyle = settingsFile().getSiblingFile ("Tolva USB.settings.bad");
    ASSERT_TRUE (oldStyle.getChildFile ("the user's").create());
    ASSERT_TRUE (oldStyle.getChildFile ("the user's").replaceWithText ("notes"));
    for (int number = 2; number <= 4; ++number)
        ASSERT_TRUE (setAsideFile (number).replaceWithText ("rejected before"));
    ASSERT_TRUE (setAsideFile (5).createDirectory());

    for (int run = 1; run <= 3; ++run)
    {
        writeRawSettings ("rejected in run " + std::to_string (run));
        createPanelWithoutDevice();
        EXPECT_EQ (panel->appProperties.getUserSettings()->getAllProperties().size(), 0);
        destroyPanel();
        EXPECT_EQ (entryAt (setAsideFile (5 + run)), "file:rejected in run " + std::to_string (run));
    }

    // Six files: the oldest went. The folders stay, with what they hold.
    EXPECT_EQ (namesInSettingsFolder(),
               (juce::StringArray { "Tolva USB.settings.bad", "Tolva USB.settings.bad3", "Tolva USB.settings.bad4",
                                    "Tolva USB.settings.bad5", "Tolva USB.settings.bad6", "Tolva USB.settings.bad7",
                                    "Tolva USB.settings.bad8" }));
    EXPECT_EQ (oldStyle.getChildFile ("the user's").loadFileAsString(), "notes");
    EXPECT_EQ (entryAt (setAsideFile (5)), "folder");
}

// Keys in any order, with keys of other versions among them and values whose text is markup (written
// by hand, or as JUCE writes them): every value is kept and used, and the file the program writes from
// them reads back the same at the next start.
TEST_F (RejectedSettings, WellFormedFileWithUnknownKeysKeepsEveryValue)
{
    writeRawSettings (header
                      + "<PROPERTIES>\n"
                        "  <VALUE name=\"MON_INPUT\" val=\"2\"/>\n"
                        "  <VALUE name=\"Theme\" val=\"dark\"/>\n"
                        "  <VALUE name=\"MON\" val=\"true\"/>\n"
                        "  <VALUE name=\"LastDevice\" val=\"Tolva &amp; co\"></VALUE>\n"
                        "  <VALUE name=\"Note\" val=\"&lt;b/&gt;\"/>\n"
                        "  <VALUE name=\"Link\" val=\"&lt;a&gt;x&lt;/a&gt;\"/>\n"
                        "  <VALUE name=\"Markup\">\n    <b x=\"1\"><c>y</c></b>\n  </VALUE>\n"
                        "  <VALUE name=\"WindowPosition\" val=\"100 50 352 319\"/>\n"
                        "</PROPERTIES>\n");
    StderrLines errors;
    const Values expected { { "MON_INPUT", "2" },
                            { "Theme", "dark" },
                            { "MON", "true" },
                            { "LastDevice", "Tolva & co" },
                            { "Note", "<b/>" },
                            { "Link", "<a>x</a>" },
                            { "Markup", "<b x=\"1\"><c>y</c></b>" },
                            { "WindowPosition", "100 50 352 319" } };
    auto values = [this]
    {
        Values found;
        const auto& all = panel->appProperties.getUserSettings()->getAllProperties();
        for (int i = 0; i < all.size(); ++i)
            found[all.getAllKeys()[i]] = all.getAllValues()[i];
        return found;
    };

    attachDevice();
    EXPECT_EQ (values(), expected);
    EXPECT_TRUE (panel->buttonToggleMonitoring->getToggleState());
    EXPECT_TRUE (panel->buttonHIZ->getToggleState());

    // Saved, and read again.
    click (*panel->buttonMic);
    destroyPanel();
    createPanelWithoutDevice();
    auto changed = expected;
    changed["MON_INPUT"] = "1";
    EXPECT_EQ (values(), changed);
    EXPECT_EQ (namesInSettingsFolder(), juce::StringArray ("Tolva USB.settings"));
    EXPECT_TRUE (errors.lines().isEmpty());
}
