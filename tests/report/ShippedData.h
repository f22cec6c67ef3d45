#pragma once
// The shipped search engines, spiders, browsers and error descriptions, for tests that
// analyse a small log as a user's installation would.
#include "config/ReferenceDataLoader.h"

#include <gtest/gtest.h>

#include <string>

namespace trevix::testing {

inline void LoadShippedReferenceData(ReferenceData& ref, RunHost& host) {
    const std::string data = TREVIX_DATA_DIR_FOR_TESTS;
    ASSERT_TRUE(LoadSearchEngines(ref, host, data));
    ASSERT_TRUE(LoadSpiders(ref, host, data));
    ASSERT_TRUE(LoadBrowserDefinitions(ref, host, data));
    ASSERT_TRUE(LoadErrorDescriptions(ref, host, data));
}

} // namespace trevix::testing
