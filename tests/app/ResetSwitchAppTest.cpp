// The reset switch as the application object handles it: at start and when a second launch hands its
// command line over, "/default" reaches the panel's factory reset; other command lines don't.
#include "BrisvoApplication.h"
#include "DeviceRoadFixture.h"

#include <cstdlib>

using namespace road_tests;

namespace
{
    // The factory reset's Core Audio writes while no device has been found (both objects 0).
    std::vector<Write> factoryWritesWithoutDevice()
    {
        return {
            { 0, nsrt, wildcard, 0, 48000.0 }, { 0, nsrt, wildcard, 0, 48000.0 }, { 0, vold, outp, 1, 0.0 },
            { 0, vold, outp, 2, 0.0 },         { 0, vold, inpt, 1, 0.0 },         { 0, vold, inpt, 2, 0.0 },
            { 0, vold, outp, 0, 224.0 },       { 0, vold, outp, 1, 224.0 },       { 0, mute, outp, 0, 0.0 },
            { 0, mute, inpt, 0, 0.0 },
        };
    }

    // The application object as the program runs it, with a single-instance channel of this test's
    // own, so that no running copy of the program can take the command line.
    class ResetSwitchApp : public DeviceRoadTest
    {
    protected:
        void SetUp() override
        {
            DeviceRoadTest::SetUp();
            savedRuntime = juce::SystemStats::getEnvironmentVariable ("XDG_RUNTIME_DIR", {});
            runtime = juce::File::createTempFile ("tolva-runtime");
            ASSERT_TRUE (runtime.createDirectory());
            setenv ("XDG_RUNTIME_DIR", runtime.getFullPathName().toRawUTF8(), 1);
        }

        void TearDown() override
        {
            if (app != nullptr)
                app->shutdown();
            app.reset();
            runPosted();
            setenv ("XDG_RUNTIME_DIR", savedRuntime.toRawUTF8(), 1);
            runtime.deleteRecursively();
            DeviceRoadTest::TearDown();
        }

        MainComponent& start (const juce::String& commandLine)
        {
            app = std::make_unique<BrisvoApplication>();
            app->initialise (commandLine);
            auto* window = app->getMainWindow();
            EXPECT_NE (window, nullptr);
            return *window->getPanel();
        }

        // Controls moved away from the factory state, as a user leaves them.
        static void moveAway (MainComponent& p)
        {
            p.sliderGroupIn->leftSlider.setValue (-10.0, juce::dontSendNotification);
            p.sliderGroupOut->rightSlider.setValue (-40.0, juce::dontSendNotification);
            for (auto* button : { p.buttonMuteOut.get(), p.buttonMuteIn.get(), p.buttonHIZ.get() })
                button->setToggleState (true, juce::dontSendNotification);
        }

        juce::String savedRuntime;
        juce::File runtime;
        std::unique_ptr<BrisvoApplication> app;
    };

    struct SwitchCase
    {
        const char* name;
        const char* commandLine;
        bool resets;
    };

    void PrintTo (const SwitchCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class ResetSwitchAppCases : public ResetSwitchApp,
                                public ::testing::WithParamInterface<SwitchCase>
    {};
}

TEST_P (ResetSwitchAppCases, AtStart)
{
    auto& p = start (GetParam().commandLine);

    if (GetParam().resets)
    {
        EXPECT_EQ (writesLogged(), factoryWritesWithoutDevice());
        expectFactoryControls (p);
    }
    else
    {
        EXPECT_TRUE (writesLogged().empty());
        EXPECT_FALSE (p.buttonLine->getToggleState());   // no device yet: no input lit
    }
}

TEST_P (ResetSwitchAppCases, HandedOverToTheRunningInstance)
{
    auto& p = start ({});
    moveAway (p);
    world().clearLogs();

    app->anotherInstanceStarted (GetParam().commandLine);

    if (GetParam().resets)
    {
        EXPECT_EQ (writesLogged(), factoryWritesWithoutDevice());
        expectFactoryControls (p);
    }
    else
    {
        EXPECT_TRUE (writesLogged().empty());
        EXPECT_TRUE (p.buttonHIZ->getToggleState());
        EXPECT_EQ (p.sliderGroupIn->leftSlider.getValue(), -10.0);
    }
    EXPECT_TRUE (app->getMainWindow()->isVisible());
}

INSTANTIATE_TEST_SUITE_P (CommandLines, ResetSwitchAppCases,
                          ::testing::Values (SwitchCase { "Default", "/default", true },
                                             SwitchCase { "DefaultsInCapitals", "/DEFAULTS", true },
                                             SwitchCase { "Empty", "", false },
                                             SwitchCase { "SomethingElse", "/default x", false }),
                          [] (const auto& info) { return std::string (info.param.name); });

TEST_F (ResetSwitchApp, ResetAfterTheDeviceArrivedReachesTheDevice)
{
    audio = addTolvaAudio (96000.0);
    world().externalSetVolumeDb (audio, outp, 2, -18.0f);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return world().listenerIdle(); }));
    hid = plugTolvaHid (audio);
    auto& p = start ({});
    ASSERT_TRUE (testing_support::pumpUntil ([&p] { return p.hidDevice != nullptr; }));

    app->anotherInstanceStarted ("/default");

    EXPECT_EQ (world().nominalRate (audio), 48000.0);
    EXPECT_EQ (world().volumeDb (audio, outp, 2), 0.0f);
    expectFactoryControls (p);
}
