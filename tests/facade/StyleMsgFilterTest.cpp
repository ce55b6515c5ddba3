// The style event filter and the filter stage holder.
#include "bank/CStyleMsgFilter.h"

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

// Counts its deletion so that the holder's ownership can be checked.
class CCountingStage : public CFilterOut {
public:
    CCountingStage(int& counter, bool taking) : deletions(counter), takes(taking) {}
    ~CCountingStage() override { ++deletions; }
    bool Accept(const CEvent&, uint32_t) override
    {
        ++asked;
        return takes;
    }
    int asked = 0;

private:
    int& deletions;
    bool takes;
};

TEST(NstFilterIfc, PassesEverythingWithoutStagesAndAsksStagesInOrder)
{
    const CEvent expression = Channel(EventKind::Control, 8, 11, 90);
    int deletions = 0;
    {
        CNstFilterIfc holder(nullptr);
        EXPECT_FALSE(holder.Accept(expression, 0));

        auto first = std::make_unique<CCountingStage>(deletions, false);
        auto second = std::make_unique<CCountingStage>(deletions, true);
        CCountingStage* firstView = first.get();
        CCountingStage* secondView = second.get();
        holder.SetStage1(std::move(first));
        holder.SetStage2(std::move(second));
        EXPECT_TRUE(holder.Accept(expression, 5));
        EXPECT_EQ(firstView->asked, 1);
        EXPECT_EQ(secondView->asked, 1);

        holder.SetStage2(nullptr); // replacing a stage deletes the old one
        EXPECT_EQ(deletions, 1);
        EXPECT_FALSE(holder.Accept(expression, 5));
    }
    EXPECT_EQ(deletions, 2) << "the holder deletes its stages";
}

} // namespace
