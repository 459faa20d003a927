// The settings file as it lands on disk: where it is, what a removal and the panel's end write into
// it, and how the panel starts from a missing, corrupt or truncated file.
#include "DeviceRoadFixture.h"

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
    panel->appProperties.getUserSettings()->setValue ("probe", "1");
    EXPECT_TRUE (panel->appProperties.getUserSettings()->save());
    EXPECT_TRUE (settingsFile().existsAsFile());
    EXPECT_FALSE (settingsFile().getSiblingFile ("Application Support").exists());
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

// A settings file that can't be read: the panel starts with the defaults, keeps working, and the next
// save replaces the file with a good one.
class DamagedSettings : public DeviceRoadTest,
                        public ::testing::WithParamInterface<std::string>
{};

TEST_P (DamagedSettings, PanelStartsWithDefaultsAndTheNextSaveWritesAGoodFile)
{
    writeRawSettings (GetParam());
    attachDevice();

    EXPECT_TRUE (panel->buttonLine->getToggleState());
    EXPECT_FALSE (panel->buttonToggleMonitoring->getToggleState());
    EXPECT_EQ (reportsReceived(), (std::vector<Bytes> { expectedReport (0x1a, 0x00), expectedReport (0x2a, 0x04) }));

    // Still working.
    click (*panel->buttonMic);
    EXPECT_EQ (reportsReceived().back(), expectedReport (0x2a, 0x01));

    destroyPanel();
    EXPECT_EQ (readSettingsXml(), (Values { { "MON", "false" }, { "MON_INPUT", "1" } }));

    juce::PropertiesFile reread (MainComponent::settingsOptions());
    EXPECT_TRUE (reread.isValidFile());
    EXPECT_EQ (reread.getValue ("MON_INPUT"), "1");
}

INSTANTIATE_TEST_SUITE_P (
    CorruptOrTruncated, DamagedSettings,
    ::testing::Values (std::string ("this is not a settings file \x01\x02\x03", 31), std::string(),
                       std::string (goodFile).substr (0, 20), std::string (goodFile).substr (0, 52),
                       std::string (goodFile).substr (0, 86),
                       std::string ("<PROPERTIES><VALUE name=\"MON\" val=\"true\"/><VALUE name=\"MON_INPUT\" val=\"2\"/>")));

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
