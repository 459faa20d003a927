// Look-ups in the panel's choice tables.
#include "PanelChoices.h"

namespace
{
    template <typename Choice, size_t count, typename Predicate>
    const Choice* findChoice (const Choice (&choices)[count], Predicate matches)
    {
        for (const auto& choice : choices)
            if (matches (choice))
                return &choice;

        return nullptr;
    }
}

const InputChoice* firstLitInput (const MainComponent& panel)
{
    return findChoice (inputChoices, [&] (const InputChoice& c) { return buttonOf (panel, c).getToggleState(); });
}

const InputChoice& inputForStoredIndex (int storedIndex)
{
    const auto* choice = findChoice (inputChoices, [=] (const InputChoice& c) { return c.storedIndex == storedIndex; });
    return choice != nullptr ? *choice : inputChoices[0];
}

const InputChoice* inputForButton (const MainComponent& panel, const juce::Button* button)
{
    return findChoice (inputChoices, [&] (const InputChoice& c) { return (panel.*(c.button)).get() == button; });
}

const SampleRateChoice* sampleRateForButton (const MainComponent& panel, const juce::Button* button)
{
    return findChoice (sampleRateChoices, [&] (const SampleRateChoice& c) { return (panel.*(c.button)).get() == button; });
}

const SampleRateChoice* sampleRateForRate (double rate)
{
    return findChoice (sampleRateChoices, [=] (const SampleRateChoice& c) { return c.rate == rate; });
}

const SampleRateChoice* sampleRateForMenuId (int menuId)
{
    return findChoice (sampleRateChoices, [=] (const SampleRateChoice& c) { return c.menuId == menuId; });
}
