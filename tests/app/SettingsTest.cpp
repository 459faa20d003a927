// The settings file as it lands on disk: where it is, what a removal and the panel's end write into
// it, how the panel starts from a missing, corrupt or truncated file or from something that is no file,
// how a save that fails is told, and how a linked file stays linked.
#include "DeviceRoadFixture.h"
#include "SettingsTestSupport.h"

#include "AtomicFileWriter.h"
#include "SettingsFileCheck.h"
#include "SettingsFileFormat.h"

#include <atomic>
#include <csignal>
#include <thread>

#include <sys/file.h>
#include <sys/resource.h>

using namespace road_tests;

namespace
{
    const char* const goodFile = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n"
                                 "<PROPERTIES>\n"
                                 "  <VALUE name=\"MON\" val=\"true\"/>\n"
                                 "  <VALUE name=\"MON_INPUT\" val=\"2\"/>\n"
                                 "</PROPERTIES>\n";
}

using Settings = DeviceRoadTest;

TEST_F (Settings, FileLandsDirectlyInTheUserApplicationDataFolder)
{
    const auto options = MainComponent::settingsOptions();
    const auto expected =
        juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory).getChildFile ("Tolva USB").getChildFile ("Tolva USB.settings");
    EXPECT_EQ (options.getDefaultFile(), expected);
    EXPECT_EQ (options.getDefaultFile(), settingsFile());   // ~/.config/Tolva USB/Tolva USB.settings
    EXPECT_EQ (options.millisecondsBeforeSaving, 3000);
    EXPECT_EQ (options.storageFormat, juce::PropertiesFile::storeAsXML);
    EXPECT_FALSE (options.commonToAllUsers);
    EXPECT_FALSE (options.ignoreCaseOfKeyNames);
    EXPECT_FALSE (options.doNotSave);
    EXPECT_EQ (options.processLock, nullptr);
    EXPECT_EQ (options.osxLibrarySubFolder, "Application Support");

    attachDevice();
    auto* store = panel->appProperties.getUserSettings();
    store->setValue ("probe", "1");
    store->setValue ("markup", "<b x=\"1\"/>");
    store->setValue ("quoted", "a & \"b\" <c");
    EXPECT_TRUE (panel->appProperties.save());
    EXPECT_TRUE (settingsFile().existsAsFile());
    EXPECT_FALSE (settingsFile().getSiblingFile ("Application Support").exists());

    // Byte for byte what JUCE's own properties file writes for the same values.
    const juce::TemporaryFile juceWritten (".settings");
    {
        juce::PropertiesFile juceFile (juceWritten.getFile(), options);
        juceFile.addAllPropertiesFrom (*store);
        ASSERT_TRUE (juceFile.save());
    }
    juce::MemoryBlock ours, theirs;
    ASSERT_TRUE (settingsFile().loadFileAsData (ours));
    ASSERT_TRUE (juceWritten.getFile().loadFileAsData (theirs));
    EXPECT_EQ (ours.toString(), theirs.toString());

    // Read back as written, in the same order, the value kept as an element too.
    store->setValue ("last", "2");
    panel->appProperties.closeFiles();
    store = panel->appProperties.getUserSettings();
    EXPECT_EQ (store->getValue ("markup"), "<b x=\"1\"/>");
    EXPECT_EQ (store->getValue ("quoted"), "a & \"b\" <c");
    EXPECT_EQ (store->getAllProperties().getAllKeys(), (juce::StringArray { "probe", "markup", "quoted", "last" }));
}

TEST_F (Settings, SavingStoresTheMonitoringAndInputChoices)
{
    attachDevice();
    click (*panel->buttonMic);
    panel->saveProperties();
    auto* store = panel->appProperties.getUserSettings();
    EXPECT_EQ (store->getValue ("MON"), "false");
    EXPECT_EQ (store->getValue ("MON_INPUT"), "1");

    click (*panel->buttonToggleMonitoring);
    click (*panel->buttonHIZ);
    panel->saveProperties();
    EXPECT_EQ (store->getValue ("MON"), "true");
    EXPECT_EQ (store->getValue ("MON_INPUT"), "2");

    // No input lit at all stores "0".
    for (auto* button : { panel->buttonLine.get(), panel->buttonMic.get(), panel->buttonHIZ.get(), panel->buttonMicHIZ.get() })
        button->setToggleState (false, juce::dontSendNotification);
    panel->saveProperties();
    EXPECT_EQ (store->getValue ("MON_INPUT"), "0");
}

TEST_F (Settings, ClicksAloneWriteNothing)
{
    attachDevice();
    click (*panel->buttonMic);
    click (*panel->buttonToggleMonitoring);
    EXPECT_FALSE (panel->appProperties.getUserSettings()->containsKey ("MON"));
    EXPECT_FALSE (panel->appProperties.getUserSettings()->containsKey ("MON_INPUT"));
    EXPECT_FALSE (panel->appProperties.getUserSettings()->needsToBeSaved());
}

TEST_F (Settings, RemovalWritesTheChoicesAndTheFileFollowsAfterTheSaveDelay)
{
    attachDevice();
    click (*panel->buttonToggleMonitoring);
    click (*panel->buttonMic);

    ASSERT_TRUE (unplugAndWaitForRemoval());

    auto* store = panel->appProperties.getUserSettings();
    EXPECT_EQ (store->getValue ("MON"), "true");
    EXPECT_EQ (store->getValue ("MON_INPUT"), "1");
    EXPECT_FALSE (settingsFile().exists());   // written 3000 ms after the change

    ASSERT_TRUE (testing_support::pumpUntil ([] { return settingsFile().existsAsFile(); }, 8000));
    EXPECT_EQ (readSettingsXml(), (Values { { "MON", "true" }, { "MON_INPUT", "1" } }));
}

TEST_F (Settings, DestroyingThePanelWithADeviceWritesTheFileAtOnce)
{
    attachDevice();
    click (*panel->buttonHIZ);
    click (*panel->buttonToggleMonitoring);

    destroyPanel();

    ASSERT_TRUE (settingsFile().existsAsFile());
    EXPECT_EQ (readSettingsXml(), (Values { { "MON", "true" }, { "MON_INPUT", "2" } }));
}

TEST_F (Settings, DestroyingThePanelWithoutADeviceKeepsTheEarlierChoices)
{
    writeSettings ({ { "MON", "true" }, { "MON_INPUT", "1" } });
    createPanelWithoutDevice();
    ASSERT_EQ (panel->hidDevice, nullptr);
    panel->buttonToggleMonitoring->setToggleState (false, juce::dontSendNotification);
    panel->buttonHIZ->setToggleState (true, juce::dontSendNotification);

    destroyPanel();
    EXPECT_EQ (readSettingsXml(), (Values { { "MON", "true" }, { "MON_INPUT", "1" } }));
}

TEST_F (Settings, MissingFileGivesTheDefaults)
{
    ASSERT_FALSE (settingsFile().exists());
    attachDevice();

    EXPECT_TRUE (panel->buttonLine->getToggleState());
    EXPECT_FALSE (panel->buttonToggleMonitoring->getToggleState());
    EXPECT_FALSE (settingsFile().exists());   // reading creates nothing
}

TEST_F (Settings, KeyNamesAreCaseSensitive)
{
    writeSettings ({ { "mon", "true" }, { "mon_input", "1" } });

    attachDevice();
    EXPECT_FALSE (panel->buttonToggleMonitoring->getToggleState());
    EXPECT_TRUE (panel->buttonLine->getToggleState());
}

// Something at the settings path that can't be read: the panel starts with the defaults, keeps working,
// and the next save writes a good file. What stood there is kept as it was, as "Tolva USB.settings.bad1",
// and one line on standard error says so; an empty file holds nothing and is simply written over.
struct PlacedAtPath
{
    const char* name;
    std::function<void()> put;
    const char* reason;   // empty: nothing is set aside
};

void PrintTo (const PlacedAtPath& placed, std::ostream* os)
{
    *os << placed.name;
}

class DamagedSettings : public DeviceRoadTest,
                        public ::testing::WithParamInterface<PlacedAtPath>
{};

TEST_P (DamagedSettings, PanelStartsWithDefaultsKeepsWhatStoodThereAndTheNextSaveWritesAGoodFile)
{
    GetParam().put();
    const auto before = entryAt (settingsFile());
    ASSERT_NE (before, "none");

    StderrLines errors;
    attachDevice();

    EXPECT_TRUE (panel->buttonLine->getToggleState());
    EXPECT_FALSE (panel->buttonToggleMonitoring->getToggleState());
    EXPECT_EQ (reportsReceived(), (std::vector<Bytes> { expectedReport (0x1a, 0x00), expectedReport (0x2a, 0x04) }));

    const juce::String reason (GetParam().reason);
    if (reason.isNotEmpty())
    {
        // Stops here otherwise: reading the file below would wait for ever on a FIFO left in place.
        ASSERT_EQ (entryAt (setAsideFile (1)), before);
        EXPECT_EQ (errors.lines(), juce::StringArray (notReadLine (reason, 1)));
    }
    else
    {
        EXPECT_EQ (namesInSettingsFolder(), juce::StringArray ("Tolva USB.settings"));
        EXPECT_TRUE (errors.lines().isEmpty());
    }

    // Still working.
    click (*panel->buttonMic);
    EXPECT_EQ (reportsReceived().back(), expectedReport (0x2a, 0x01));

    destroyPanel();
    EXPECT_EQ (readSettingsXml(), (Values { { "MON", "false" }, { "MON_INPUT", "1" } }));
    if (reason.isNotEmpty())
    {
        EXPECT_EQ (entryAt (setAsideFile (1)), before);
    }

    juce::PropertiesFile reread (MainComponent::settingsOptions());
    EXPECT_TRUE (reread.isValidFile());
    EXPECT_EQ (reread.getValue ("MON_INPUT"), "1");
}

namespace
{
    PlacedAtPath fileHolding (const char* name, const std::string& content,
                              const char* reason = "not a settings file of this program")
    {
        return { name, [content] { writeRawSettings (content); }, reason };
    }

    // "$HOME" in the text stands for the test's home folder.
    void linkSettingsTo (const juce::String& text)
    {
        ASSERT_TRUE (makeLink (settingsFile(), text.replace ("$HOME", juce::SystemStats::getEnvironmentVariable ("HOME", {}))));
    }

    // No one writes to it: opening it to read would wait for ever.
    void makeFifo()
    {
        ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
        ASSERT_EQ (::mkfifo (settingsFile().getFullPathName().toRawUTF8(), 0600), 0);
    }

    PlacedAtPath linkTo (const char* name, const char* text, const char* reason)
    {
        return { name, [text] { linkSettingsTo (text); }, reason };
    }
}

INSTANTIATE_TEST_SUITE_P (
    CorruptOrTruncated, DamagedSettings,
    ::testing::Values (fileHolding ("notXml", std::string ("this is not a settings file \x01\x02\x03", 31)),
                       fileHolding ("empty", std::string(), ""),
                       fileHolding ("cutInTheHeader", std::string (goodFile).substr (0, 20)),
                       fileHolding ("cutAfterTheRootTag", std::string (goodFile).substr (0, 52)),
                       fileHolding ("cutAfterAValue", std::string (goodFile).substr (0, 86)),
                       fileHolding ("neverClosed", "<PROPERTIES><VALUE name=\"MON\" val=\"true\"/><VALUE name=\"MON_INPUT\" val=\"2\"/>"),
                       fileHolding ("anotherRoot", "<SETTINGS><VALUE name=\"MON\" val=\"true\"/></SETTINGS>")),
    [] (const auto& info) { return std::string (info.param.name); });

// Nothing a file's bytes could be read from: never opened, never blocked on.
INSTANTIATE_TEST_SUITE_P (
    NoFileToRead, DamagedSettings,
    ::testing::Values (PlacedAtPath { "fifo", makeFifo, "not a regular file" },
                       PlacedAtPath { "folder", [] { ASSERT_TRUE (settingsFile().getChildFile ("inside").create()); },
                                      "not a regular file" },
                       linkTo ("linkToADevice", "/dev/zero", "not a regular file"),
                       linkTo ("linkToItself", "Tolva USB.settings", "Too many levels of symbolic links"),
                       linkTo ("linkIntoAMissingFolder", "$HOME/missing/Tolva USB.settings", "No such file or directory")),
    [] (const auto& info) { return std::string (info.param.name); });

// JUCE's reader takes "</" as the end of the outer element, so a file cut inside its last tag still
// holds every value and is read as it is; the next change writes it out whole.
TEST_F (Settings, FileCutInsideItsClosingTagKeepsItsValues)
{
    const std::string content (goodFile);
    writeRawSettings (content.substr (0, content.size() - 6));

    attachDevice();
    EXPECT_TRUE (panel->buttonToggleMonitoring->getToggleState());
    EXPECT_TRUE (panel->buttonHIZ->getToggleState());

    click (*panel->buttonMic);
    destroyPanel();
    EXPECT_EQ (readSettingsXml(), (Values { { "MON", "true" }, { "MON_INPUT", "1" } }));
    EXPECT_TRUE (settingsFile().loadFileAsString().trimEnd().endsWith ("</PROPERTIES>"));
    EXPECT_EQ (namesInSettingsFolder(), juce::StringArray ("Tolva USB.settings"));
}

TEST_F (Settings, RemovalAfterACorruptStartIsSavedByTheTimer)
{
    writeRawSettings ("<PROPERTIES><VALUE name=\"MON\" val=\"tr");
    attachDevice();
    EXPECT_FALSE (panel->buttonToggleMonitoring->getToggleState());

    click (*panel->buttonToggleMonitoring);
    click (*panel->buttonHIZ);
    ASSERT_TRUE (unplugAndWaitForRemoval());

    // The panel stays up: the file follows from the store's own save timer.
    ASSERT_TRUE (testing_support::pumpUntil ([] { return juce::parseXML (settingsFile()) != nullptr; }, 8000));
    EXPECT_EQ (readSettingsXml(), (Values { { "MON", "true" }, { "MON_INPUT", "2" } }));
}

//==============================================================================
// Whatever text a value holds, the file the program writes for it is one its next start reads, and the
// value comes back as it was, beside the program's own; JUCE's reader takes the same values from it.
struct ValueCase
{
    const char* name;
    juce::String value;
};

void PrintTo (const ValueCase& c, std::ostream* os)
{
    *os << c.name;
}

class SavedValue : public DeviceRoadTest,
                   public ::testing::WithParamInterface<ValueCase>
{
public:
    static void setValues (juce::PropertySet& values, const juce::String& note)
    {
        values.setValue ("MON_INPUT", "1");
        values.setValue ("Note", note);
        values.setValue ("WindowPosition", "100 50 352 319");
    }
};

TEST_P (SavedValue, ReadsBackAsItWasAtTheNextStart)
{
    const auto& value = GetParam().value;
    StderrLines errors;
    {
        SettingsStore store;
        store.setStorageParameters (MainComponent::settingsOptions());
        SavedValue::setValues (*store.getUserSettings(), value);
        ASSERT_TRUE (store.save());
    }

    SettingsStore store;
    store.setStorageParameters (MainComponent::settingsOptions());
    const auto* values = store.getUserSettings();
    EXPECT_EQ (values->getValue ("Note"), value);
    EXPECT_EQ (values->getValue ("MON_INPUT"), "1");
    EXPECT_EQ (values->getValue ("WindowPosition"), "100 50 352 319");
    EXPECT_TRUE (errors.lines().isEmpty());
    EXPECT_EQ (namesInSettingsFolder(), juce::StringArray ("Tolva USB.settings"));

    const juce::PropertiesFile juceRead (MainComponent::settingsOptions());
    EXPECT_EQ (juceRead.getValue ("Note"), value);
}

namespace
{
    juce::String nestedMarkup (int levels)
    {
        return juce::String::repeatedString ("<a>", levels - 1) + "<b/>" + juce::String::repeatedString ("</a>", levels - 1);
    }

    // Letters as long as the file may take: each one is one byte of it.
    juce::String fillingTheFile()
    {
        juce::PropertySet values;
        SavedValue::setValues (values, {});
        const auto room = SettingsFileCheck::maxFileBytes - juce::int64 (SettingsFileFormat::write (values).getSize());
        return juce::String::repeatedString ("x", int (room));
    }

    const int markupLevels = SettingsFileCheck::maxDepth - 2;
}

INSTANTIATE_TEST_SUITE_P (
    EveryForm, SavedValue,
    ::testing::Values (ValueCase { "plainText", "dark" }, ValueCase { "empty", "" },
                       ValueCase { "markupSigns", "a & \"b\" <c> 'd' &amp; ]]> <!--" }, ValueCase { "element", "<b/>" },
                       ValueCase { "elementWithText", "<a>x &amp; &lt;y&gt;</a>" },
                       ValueCase { "nestedElements", "<a><b><c>x</c><d/></b>y<e/></a>" },
                       ValueCase { "elementWithAttributes", "<b x=\"1\" y=\"&amp;&quot;&lt;\"/>" },
                       ValueCase { "elementInSingleQuotes", "<b x='1'/>" }, ValueCase { "elementWithSpacesAround", "  <b/>\n" },
                       ValueCase { "elementWithSpacesInside", "<a> <b/> </a>" },
                       ValueCase { "elementWithTextAfterIt", "<b/>tail" },
                       ValueCase { "elementWithAHeader", "<?xml version=\"1.0\"?><b/>" },
                       ValueCase { "elementWithAComment", "<a><!-- c --></a>" },
                       ValueCase { "elementWithCharacterData", "<a><![CDATA[<x>]]></a>" },
                       ValueCase { "elementDeclaringEntities", "<!DOCTYPE a [<!ENTITY e \"&#60;x/&#62;\">]><a>&e;</a>" },
                       ValueCase { "spacesAround", "  x  " }, ValueCase { "lineBreaksAndTabs", "a\tb\nc\r\nd\r" },
                       ValueCase { "nonAscii", juce::CharPointer_UTF8 ("\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\x9a") },
                       ValueCase { "nonAsciiMarkup", juce::CharPointer_UTF8 ("<b n=\"\xc3\xa9\">\xe2\x82\xac</b>") },
                       ValueCase { "markupAsDeepAsAFileHolds", nestedMarkup (markupLevels) },
                       ValueCase { "markupDeeperThanAFileHolds", nestedMarkup (markupLevels + 1) },
                       ValueCase { "markupOfMoreElementsThanAFileHolds",
                                   "<a>" + juce::String::repeatedString ("<b/>", SettingsFileCheck::maxElements) + "</a>" },
                       ValueCase { "textFillingTheFile", fillingTheFile() }),
    [] (const auto& info) { return std::string (info.param.name); });

//==============================================================================
// Temporary files of a save cut short (by a crash or a kill) go at the next start, beside the file and
// beside its link's target. Nothing else does: not the file of a save another instance is making at
// that moment, not a file of the user's beside the target, whatever its name. The names earlier
// versions used go only from the program's own folder.
TEST_F (Settings, TemporaryFilesOfASaveCutShortGoAtTheNextStart)
{
    const auto folder = settingsFile().getParentDirectory();
    const auto dotfiles = folder.getSiblingFile ("dotfiles");
    ASSERT_TRUE (dotfiles.deleteRecursively());
    ASSERT_TRUE (dotfiles.createDirectory());
    const auto target = dotfiles.getChildFile ("config.xml");
    ASSERT_TRUE (makeLink (settingsFile(), target.getFullPathName()));
    ASSERT_TRUE (target.replaceWithText (goodFile));

    const juce::StringArray leftovers { "Tolva USB_temp0.settings", "Tolva USB_temp7fa3c01e.settings",
                                        "Tolva USB_tempffffffff2.settings",
                                        ".Tolva USB.settings.tolva-usb-save-0123456789abcdef" };
    const juce::StringArray others { "Tolva USB_temp.settings",
                                     "Tolva USB_tempXYZ.settings",
                                     "Tolva USB_temp12.xml",
                                     "Other_temp12.settings",
                                     "Tolva USB_temp12.settings.bak",
                                     "config_temp12.xml",
                                     ".Tolva USB.settings.tolva-usb-save-0123" };
    for (const auto& name : leftovers)
        ASSERT_TRUE (folder.getChildFile (name).replaceWithText ("cut short"));
    for (const auto& name : others)
        ASSERT_TRUE (folder.getChildFile (name).replaceWithText ("kept"));
    // Not files of ours, whatever their names.
    ASSERT_TRUE (folder.getChildFile ("Tolva USB_temp1.settings").createDirectory());
    ASSERT_TRUE (makeLink (folder.getChildFile ("Tolva USB_temp2.settings"), "Other_temp12.settings"));

    // Beside the target: the user's own files, a leftover of ours, and the file of a save going on.
    const juce::StringArray users { "config_temp1.xml", "config_temp2024.xml", "config_tempfeed.xml",
                                    "Tolva USB_temp5d.settings", ".config.xml.tolva-usb-save-0123456789ABCDEF" };
    for (const auto& name : users)
        ASSERT_TRUE (dotfiles.getChildFile (name).replaceWithText ("the user's"));
    ASSERT_TRUE (dotfiles.getChildFile (".config.xml.tolva-usb-save-00000000deadbeef").replaceWithText ("cut short"));
    const auto beingSaved = dotfiles.getChildFile (".config.xml.tolva-usb-save-fedcba9876543210");
    ASSERT_TRUE (beingSaved.replaceWithText ("being written"));
    const int saving = ::open (beingSaved.getFullPathName().toRawUTF8(), O_WRONLY | O_CLOEXEC);
    ASSERT_EQ (::flock (saving, LOCK_EX), 0);

    createPanelWithoutDevice();
    EXPECT_EQ (panel->appProperties.getUserSettings()->getValue ("MON_INPUT"), "2");

    auto expected = others;
    expected.addArray ({ "Tolva USB.settings", "Tolva USB_temp1.settings", "Tolva USB_temp2.settings" });
    expected.sort (false);
    EXPECT_EQ (namesInSettingsFolder(), expected);
    EXPECT_EQ (entryAt (folder.getChildFile ("Tolva USB_temp1.settings")), "folder");

    auto expectedBesideTarget = users;
    expectedBesideTarget.addArray ({ "config.xml", beingSaved.getFileName() });
    expectedBesideTarget.sort (false);
    EXPECT_EQ (namesIn (dotfiles), expectedBesideTarget);

    // Once its writer is gone, the next start takes it for what it is then: a leftover.
    ::close (saving);
    panel->appProperties.closeFiles();
    panel->appProperties.getUserSettings();
    expectedBesideTarget.removeString (beingSaved.getFileName());
    EXPECT_EQ (namesIn (dotfiles), expectedBesideTarget);

    destroyPanel();
    EXPECT_TRUE (dotfiles.deleteRecursively());
}

// Another instance that starts while this one saves (a second session on the same home, a start that
// lost the race to be the one instance) never takes the temporary file of that save: every save lands.
TEST_F (Settings, SavesLandWhileAnotherInstanceStarts)
{
    ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
    const auto path = settingsFile().getFullPathName().toStdString();
    constexpr int saves = 100;
    std::atomic<bool> saving { true };
    std::atomic<int> failed { 0 };

    std::thread saver (
        [&]
        {
        for (int i = 1; i <= saves; ++i)
        {
            const auto bytes = std::to_string (i);
            if (AtomicFileWriter::write (path, bytes.data(), bytes.size()).failed())
                ++failed;
        }
        saving = false;
    });

    int starts = 0;
    while (saving)
    {
        AtomicFileWriter::removeLeftovers (path, AtomicFileWriter::OldNames::remove);
        ++starts;
    }
    saver.join();

    EXPECT_EQ (failed, 0) << "of " << saves << " saves, with " << starts << " starts meanwhile";
    EXPECT_EQ (entryAt (settingsFile()), "file:" + std::to_string (saves));
    EXPECT_EQ (namesInSettingsFolder(), juce::StringArray ("Tolva USB.settings"));
}

//==============================================================================
// A settings file linked from elsewhere (a dotfiles folder): read through the link, and saved through
// it, so the link stays and its target gets the new contents with its permission bits kept. A chain
// of links is followed to its end; a dangling link gets its target created.
struct LinkCase
{
    const char* name;
    juce::StringArray links;   // from the settings path on: each entry names the next, the last the target
    bool targetExists;
};

void PrintTo (const LinkCase& c, std::ostream* os)
{
    *os << c.name;
}

class LinkedSettings : public DeviceRoadTest,
                       public ::testing::WithParamInterface<LinkCase>
{
protected:
    void SetUp() override
    {
        DeviceRoadTest::SetUp();
        ASSERT_TRUE (dotfiles.deleteRecursively());
        ASSERT_TRUE (dotfiles.createDirectory());
    }

    void TearDown() override
    {
        DeviceRoadTest::TearDown();
        EXPECT_TRUE (dotfiles.deleteRecursively());
    }

    const juce::File dotfiles = settingsFile().getParentDirectory().getSiblingFile ("dotfiles");
};

TEST_P (LinkedSettings, SavingKeepsTheLinksAndUpdatesTheTarget)
{
    const auto& links = GetParam().links;
    std::vector<juce::File> places { settingsFile() };
    for (int i = 0; i < links.size(); ++i)
    {
        // Relative texts count from the link's own folder.
        places.push_back (places.back().getSiblingFile (links[i]));
        ASSERT_TRUE (makeLink (places[size_t (i)], links[i]));
    }
    const auto target = places.back();

    if (GetParam().targetExists)
    {
        const juce::String content =
            "<PROPERTIES><VALUE name=\"MON\" val=\"true\"/><VALUE name=\"Theme\" val=\"dark\"/></PROPERTIES>";
        ASSERT_TRUE (target.replaceWithText (content));
        ASSERT_EQ (::chmod (target.getFullPathName().toRawUTF8(), 0640), 0);
    }

    attachDevice();
    EXPECT_EQ (panel->buttonToggleMonitoring->getToggleState(), GetParam().targetExists);
    click (*panel->buttonHIZ);
    destroyPanel();

    for (int i = 0; i < links.size(); ++i)
        EXPECT_EQ (entryAt (places[size_t (i)]), "link:" + links[i].toStdString());

    auto expected = Values { { "MON", GetParam().targetExists ? "true" : "false" }, { "MON_INPUT", "2" } };
    if (GetParam().targetExists)
        expected["Theme"] = "dark";
    EXPECT_EQ (readSettingsXml (target), expected);

    const auto umask = ::umask (0);
    ::umask (umask);
    EXPECT_EQ (modeOf (target), GetParam().targetExists ? 0640 : int (0644 & ~umask));
    for (const auto& name : namesIn (dotfiles))
        EXPECT_TRUE (name == "link" || name == "tolva.xml") << name << " left beside the target";
}

INSTANTIATE_TEST_SUITE_P (Dotfiles, LinkedSettings,
                          ::testing::Values (LinkCase { "oneLink", { "../dotfiles/tolva.xml" }, true },
                                             LinkCase { "chain", { "../dotfiles/link", "tolva.xml" }, true },
                                             LinkCase { "dangling", { "../dotfiles/tolva.xml" }, false }),
                          [] (const auto& info) { return std::string (info.param.name); });

//==============================================================================
// A save that fails tells so in one line on standard error naming the file and the reason, and what
// stood at the path stays as it was. (The user's stand-ins, as root can't be refused: a read-only
// folder is a folder that is a file; a full disk is a file size limit.)
struct SaveFailure
{
    const char* name;
    void (*before)();                 // before the panel starts
    void (*after) (MainComponent&);   // between its start and its save
    const char* reason;
};

void PrintTo (const SaveFailure& c, std::ostream* os)
{
    *os << c.name;
}

class FailedSave : public DeviceRoadTest,
                   public ::testing::WithParamInterface<SaveFailure>
{
protected:
    void TearDown() override
    {
        restoreFileSizeLimit();
        DeviceRoadTest::TearDown();
    }

public:
    static void limitFileSize (rlim_t bytes)
    {
        ::signal (SIGXFSZ, SIG_IGN);
        rlimit limit;
        ::getrlimit (RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes;
        ::setrlimit (RLIMIT_FSIZE, &limit);
    }

    static void restoreFileSizeLimit()
    {
        rlimit limit;
        ::getrlimit (RLIMIT_FSIZE, &limit);
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit (RLIMIT_FSIZE, &limit);
        ::signal (SIGXFSZ, SIG_DFL);
    }
};

TEST_P (FailedSave, SaysSoOnceAndKeepsWhatStoodThere)
{
    GetParam().before();
    attachDevice();
    click (*panel->buttonMic);
    GetParam().after (*panel);
    const auto folderBefore = namesInSettingsFolder();
    const auto before = entryAt (settingsFile());
    const auto folderEntry = entryAt (settingsFile().getParentDirectory());

    {
        StderrLines errors;
        destroyPanel();
        FailedSave::restoreFileSizeLimit();
        EXPECT_EQ (errors.lines(), juce::StringArray (notSavedLine (GetParam().reason)));
    }

    EXPECT_EQ (entryAt (settingsFile()), before);
    EXPECT_EQ (entryAt (settingsFile().getParentDirectory()), folderEntry);
    EXPECT_EQ (namesInSettingsFolder(), folderBefore);   // no temporary file left
}

namespace
{
    void putAFileInPlaceOfTheFolder()
    {
        ASSERT_TRUE (settingsFile().getParentDirectory().create());
        ASSERT_TRUE (settingsFile().getParentDirectory().replaceWithText ("in the way"));
    }

    void writeAGoodFile()
    {
        writeSettings ({ { "MON", "true" } });
    }

    void changeNothing (MainComponent&)
    {}

    void putAFolderInPlaceOfTheFile (MainComponent&)
    {
        ASSERT_TRUE (settingsFile().deleteFile());
        ASSERT_TRUE (settingsFile().getChildFile ("inside").create());
    }

    // Read from 12 kB, the values take more than 64 kB written out: every quote becomes "&quot;".
    void writeAFileThatGrowsWhenSaved()
    {
        writeRawSettings ("<PROPERTIES><VALUE name=\"MON\" val=\"true\"/><VALUE name=\"Note\" val='"
                          + std::string (12000, '"') + "'/></PROPERTIES>");
    }

    // The new contents outgrow what may be written.
    void fillTheDisk (MainComponent& panel)
    {
        panel.appProperties.getUserSettings()->setValue ("padding", juce::String::repeatedString ("x", 2000));
        FailedSave::limitFileSize (1000);
    }
}

INSTANTIATE_TEST_SUITE_P (
    StandIns, FailedSave,
    ::testing::Values (SaveFailure { "folderIsAFile", putAFileInPlaceOfTheFolder, changeNothing, "Not a directory" },
                       SaveFailure { "folderAtThePathAfterStart", writeAGoodFile, putAFolderInPlaceOfTheFile, "Is a directory" },
                       SaveFailure { "diskFull", writeAGoodFile, fillTheDisk, "File too large" },
                       SaveFailure { "largerThanReadBack", writeAFileThatGrowsWhenSaved, changeNothing,
                                     "the values would make a file larger than the program reads" }),
    [] (const auto& info) { return std::string (info.param.name); });

// The delayed save after a change tells of its failure as well; the next save that can write does.
TEST_F (Settings, DelayedSaveThatFailsSaysSo)
{
    auto options = MainComponent::settingsOptions();
    options.millisecondsBeforeSaving = 20;
    StderrLines errors;
    {
        SettingsStore store;
        store.setStorageParameters (options);
        store.getUserSettings()->setValue ("MON", "true");
        ASSERT_TRUE (settingsFile().getChildFile ("inside").create());

        ASSERT_TRUE (testing_support::pumpUntil ([&] { return ! errors.lines().isEmpty(); }));
        EXPECT_EQ (errors.lines(), juce::StringArray (notSavedLine ("Is a directory")));
        EXPECT_EQ (entryAt (settingsFile()), "folder");

        ASSERT_TRUE (settingsFile().deleteRecursively());
    }
    EXPECT_EQ (errors.lines().size(), 1);
    EXPECT_EQ (readSettingsXml(), (Values { { "MON", "true" } }));
}

// What could neither be read nor moved aside stays where it is and is never written over, not even
// through a link: every save says so. (Here a link whose name is as long as names may be, which leaves
// no room for a set-aside name; its target could be written.)
TEST_F (Settings, WhatCannotBeMovedAsideIsNeverWrittenOver)
{
    auto options = MainComponent::settingsOptions();
    options.filenameSuffix = "." + juce::String::repeatedString ("x", 255 - options.applicationName.length() - 1);
    const auto file = options.getDefaultFile();
    ASSERT_EQ (file.getFileName().length(), 255);
    const auto target = file.getSiblingFile ("tolva.xml");
    ASSERT_TRUE (makeLink (file, target.getFileName()));
    ASSERT_TRUE (target.replaceWithText ("not a settings file"));

    StderrLines errors;
    {
        SettingsStore store;
        store.setStorageParameters (options);
        EXPECT_EQ (store.getUserSettings()->getAllProperties().size(), 0);
        store.getUserSettings()->setValue ("MON", "true");
        EXPECT_FALSE (store.save());
    }

    const auto notSaved = "Tolva USB: the settings could not be saved to " + file.getFullPathName()
                          + ": the file there could not be read, and is kept as it is";
    EXPECT_EQ (errors.lines(),
               (juce::StringArray { "Tolva USB: the settings file " + file.getFullPathName()
                                        + " could not be read (not a settings file of this program) nor moved "
                                          "aside (File name too long); the defaults apply, and it is not written over",
                                    notSaved, notSaved }));
    EXPECT_EQ (entryAt (file), "link:tolva.xml");
    EXPECT_EQ (entryAt (target), "file:not a settings file");
}
