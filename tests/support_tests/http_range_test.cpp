#include "support/http_range.h"
#include "support/http_message.h"

#include <gtest/gtest.h>

namespace pg::test {
namespace {

struct SliceCase {
    const char* name;
    QByteArray range;
    qint64 total;
    int status;
    qint64 offset;
    qint64 length;
    QByteArray contentRange;
};

class BodySliceTest : public ::testing::TestWithParam<SliceCase> {};

TEST_P(BodySliceTest, PlansStatusSliceAndContentRange) {
    const SliceCase& c = GetParam();
    const BodySlice slice = PlanBodySlice(Response(), c.range, c.total);
    EXPECT_EQ(slice.status, c.status);
    EXPECT_EQ(slice.offset, c.offset);
    EXPECT_EQ(slice.length, c.length);
    EXPECT_EQ(slice.contentRange, c.contentRange);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, BodySliceTest,
    ::testing::Values(SliceCase{"NoRange", "", 100, 200, 0, 100, ""},
                      SliceCase{"OpenEnded", "bytes=40-", 100, 206, 40, 60, "bytes 40-99/100"},
                      SliceCase{"FromZero", "bytes=0-", 100, 206, 0, 100, "bytes 0-99/100"},
                      SliceCase{"LastByte", "bytes=99-", 100, 206, 99, 1, "bytes 99-99/100"},
                      SliceCase{"Closed", "bytes=10-19", 100, 206, 10, 10, "bytes 10-19/100"},
                      SliceCase{"EndClipped", "bytes=90-500", 100, 206, 90, 10, "bytes 90-99/100"},
                      SliceCase{"Suffix", "bytes=-30", 100, 206, 70, 30, "bytes 70-99/100"},
                      SliceCase{"SuffixLongerThanBody", "bytes=-300", 100, 206, 0, 100,
                                "bytes 0-99/100"},
                      SliceCase{"AtEnd", "bytes=100-", 100, 416, 0, 0, "bytes */100"},
                      SliceCase{"PastEnd", "bytes=150-", 100, 416, 0, 0, "bytes */100"},
                      SliceCase{"EmptyBody", "bytes=0-", 0, 416, 0, 0, "bytes */0"},
                      SliceCase{"SpacesAllowed", " bytes=5- ", 100, 206, 5, 95, "bytes 5-99/100"},
                      SliceCase{"SeveralRangesIgnored", "bytes=0-1,5-6", 100, 200, 0, 100, ""},
                      SliceCase{"OtherUnitIgnored", "items=0-5", 100, 200, 0, 100, ""},
                      SliceCase{"ReversedIgnored", "bytes=9-3", 100, 200, 0, 100, ""},
                      SliceCase{"GarbageIgnored", "bytes=x-", 100, 200, 0, 100, ""},
                      SliceCase{"NegativeIgnored", "bytes=--5", 100, 200, 0, 100, ""}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(BodySlice, RangeOnlyAppliesToOkAnswersThatHonourIt) {
    Response notFound = Response::withStatus(404);
    EXPECT_EQ(PlanBodySlice(notFound, "bytes=5-", 100).status, 404);
    EXPECT_EQ(PlanBodySlice(notFound, "bytes=5-", 100).length, 100);

    Response ignoring;
    ignoring.honourRange = false;
    const BodySlice whole = PlanBodySlice(ignoring, "bytes=5-", 100);
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(whole.offset, 0);
    EXPECT_EQ(whole.length, 100);
    EXPECT_TRUE(whole.contentRange.isEmpty());
}

TEST(BodySlice, WrongStartClaimedButRealSliceSent) {
    Response lying;
    lying.contentRangeStart = 0;
    const BodySlice slice = PlanBodySlice(lying, "bytes=40-", 100);
    EXPECT_EQ(slice.status, 206);
    EXPECT_EQ(slice.offset, 40);
    EXPECT_EQ(slice.length, 60);
    EXPECT_EQ(slice.contentRange, "bytes 0-59/100");
}

TEST(RequestHead, ParsesTargetAndLooksUpHeadersIgnoringCase) {
    const auto request = ParseRequestHead(
        "GET /dir/file.bin?x=1&y=2 HTTP/1.1\r\nHost: 127.0.0.1\r\nRANGE: bytes=5-\r\n"
        "X-Empty:\r\nAuthorization: Basic dTpw\r\n");
    ASSERT_TRUE(request);
    EXPECT_EQ(request->method, "GET");
    EXPECT_EQ(request->target, "/dir/file.bin?x=1&y=2");
    EXPECT_EQ(request->path, "/dir/file.bin");
    EXPECT_EQ(request->query, "x=1&y=2");
    EXPECT_EQ(request->header("range"), "bytes=5-");
    EXPECT_EQ(request->header("authorization"), "Basic dTpw");
    EXPECT_TRUE(request->hasHeader("x-empty"));
    EXPECT_FALSE(request->hasHeader("Cookie"));
}

TEST(RequestHead, RejectsMalformedRequests) {
    EXPECT_FALSE(ParseRequestHead("GET\r\n"));
    EXPECT_FALSE(ParseRequestHead("GET relative HTTP/1.1\r\n"));
    EXPECT_FALSE(ParseRequestHead("GET / FTP/1.0\r\n"));
    EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.1\r\nno colon here\r\n"));
}

}  // namespace
}  // namespace pg::test
