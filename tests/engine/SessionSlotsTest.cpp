// A visitor's per-file sessions hold what a vector of slots would, whatever the files' order.
#include "engine/tables/Tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trevix {
namespace {

TEST(SessionSlots, HoldWhatAVectorOfSlotsHolds) {
    struct Case {
        const char* Name;
        std::vector<size_t> Sizes;   // resized to each in turn, its last slot then written
    };
    const Case cases[] = {
        {"one file", {2}},
        {"one file after the other", {2, 3, 4, 5}},
        {"first seen in a later file", {4, 6}},
        {"a slot asked for twice", {3, 3}},
        {"shrunk, then grown: the new slots are empty", {5, 3, 6}},
        {"shrunk below the first file", {3, 1, 3}},
    };
    // Texts that outlive the slots that point at them.
    std::vector<std::string> texts;
    texts.reserve(64);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SessionSlots slots;
        std::vector<VisitorSession> model;
        for (size_t size : c.Sizes) {
            slots.resize(size);
            model.resize(size);
            texts.push_back("/page" + std::to_string(texts.size()));
            VisitorSession s;
            s.EntryPage = texts.back();
            s.EntryTime = {"10/Oct/2000", texts.back()};
            s.Referrer = texts.back();
            slots[size - 1] = s;
            model[size - 1] = s;
        }
        model[0] = {};   // files are numbered from 1: slot 0 holds nothing
        const SessionSlots copy = slots;
        for (const SessionSlots* shown : {static_cast<const SessionSlots*>(&slots), &copy}) {
            ASSERT_EQ(shown->size(), model.size());
            size_t i = 0;
            for (const VisitorSession& s : *shown) {
                EXPECT_EQ(s.EntryPage, model[i].EntryPage) << "slot " << i;
                EXPECT_EQ(s.EntryTime.Time, model[i].EntryTime.Time) << "slot " << i;
                EXPECT_EQ(s.Referrer, model[i].Referrer) << "slot " << i;
                EXPECT_TRUE(s.ExitPage.empty());
                ++i;
            }
            EXPECT_EQ(i, model.size());
        }
        EXPECT_THROW(slots.at(slots.size()), std::out_of_range);
    }
}

} // namespace
} // namespace trevix
