// The command-line reset switch: the whole parameter string, letter case ignored, nothing trimmed.
#include <gtest/gtest.h>

#include "BrisvoApplication.h"

TEST (ResetSwitch, MatchesEitherSpellingInAnyCase)
{
    for (const auto* text : { "/default", "/defaults", "/DEFAULT", "/Defaults", "/dEfAuLtS" })
        EXPECT_TRUE (BrisvoApplication::isResetSwitch (text)) << text;
}

TEST (ResetSwitch, OnlyTheWholeUntrimmedStringCounts)
{
    for (const auto* text :
         { "", " /default", "/default ", "-default", "default", "/default /x", "/defaultss", "\"/default\"", "/default\t" })
        EXPECT_FALSE (BrisvoApplication::isResetSwitch (text)) << text;
}
