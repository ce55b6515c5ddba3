// The style event filter and the filter stage holder.
#include "bank/facade/CStyleMsgFilter.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

CEvent Channel(EventKind kind, uint8_t channel, uint8_t data1, uint8_t data2)
{
    CEvent event;
    event.header = CEvent::ChannelHeader(kind, channel, data1, data2);
    return event;
}

TEST(StyleMsgFilter, TakesOnlyExpressionAtTickZero)
{
    struct Row {
        CEvent event;
        uint32_t time;
        bool taken;
        const char* what;
    };
    const Row rows[] = {
        {Channel(EventKind::Control, 8, 11, 90), 0, true, "expression on the Bass channel at 0"},
        {Channel(EventKind::Control, 8, 11, 90), 1, false, "expression at tick 1"},
        {Channel(EventKind::Control, 9, 11, 0), 1536, false, "expression a measure later"},
        {Channel(EventKind::Control, 8, 7, 100), 0, false, "volume at 0"},
        {Channel(EventKind::Control, 8, 0, 121), 0, false, "bank MSB at 0"},
        {Channel(EventKind::Control, 8, 32, 0), 0, false, "bank LSB at 0"},
        {Channel(EventKind::Program, 8, 11, 0), 0, false, "program 11 at 0"},
        {Channel(EventKind::NoteOn, 8, 11, 90), 0, false, "key 11 at 0"},
        {Channel(EventKind::ChannelMode, 8, 121, 0), 0, false, "channel mode at 0"},
    };
    CStyleMsgFilter filter;
    for (const Row& row : rows)
        EXPECT_EQ(filter.Accept(row.event, row.time), row.taken) << row.what;
}

// Takes every event and counts its deletion, so that the holder's ownership can be checked.
class CTakingStage : public CFilterOut {
public:
    explicit CTakingStage(int& counter) : deletions(counter) {}
    ~CTakingStage() override { ++deletions; }
    bool Accept(const CEvent&, uint32_t) override { return true; }

private:
    int& deletions;
};

TEST(NstFilterIfc, TakesWhatAnInstalledStageTakesAndDeletesItsStages)
{
    const CEvent note = Channel(EventKind::NoteOn, 8, 60, 90);
    int deletions = 0;
    {
        CNstFilterIfc holder(nullptr);
        EXPECT_FALSE(holder.Accept(note, 0)) << "no stage: everything passes";
        holder.SetStage2(std::make_unique<CTakingStage>(deletions));
        EXPECT_TRUE(holder.Accept(note, 0));
        holder.SetStage1(std::make_unique<CTakingStage>(deletions));
        holder.SetStage2(nullptr);
        EXPECT_EQ(deletions, 1) << "a replaced stage is deleted";
        EXPECT_TRUE(holder.Accept(note, 0));
    }
    EXPECT_EQ(deletions, 2) << "the holder deletes its stages";
}

} // namespace
