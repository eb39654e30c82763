#include "download/response_headers.h"

#include <gtest/gtest.h>

namespace pg {
namespace {

TEST(ResponseHeadersTest, ContentRangeStatusLineAndValidator) {
    using R = std::optional<ContentRange>;
    const std::pair<const char*, R> ranges[] = {
        {" Bytes \t5904-9999/10000 ", ContentRange{5904, 9999, 10000}},
        {"bytes 0-9223372036854775807/*", ContentRange{0, 9223372036854775807, -1}},
        {"bytes */0", ContentRange{-1, -1, 0}},
        {"bytes 0-9223372036854775808/*", R()},
        {"bytes */*", R()},
        {"bytes 9-0/10", R()},
        {"bytes 0-10/10", R()},
        {"bytes +1-5/10", R()}};
    for (const auto& [value, range] : ranges) {
        EXPECT_EQ(ParseContentRange(value), range) << value;
    }
    EXPECT_EQ(ParseStatusLine("HTTP/1.1 206 Partial Content\r\n"), 206);
    EXPECT_EQ(ParseStatusLine("HTTP/2 200"), 200);
    EXPECT_EQ(ParseStatusLine("HTTP/1.1 2000 OK"), std::nullopt);
    // The strong ETag, else the Last-Modified date; never a weak ETag, nor
    // anything that could break a header.
    const char* const date = "Sun, 06 Nov 1994 08:49:37 GMT";
    const std::tuple<const char*, const char*, QByteArray> validators[] = {
        {" \"v1\" ", date, "\"v1\""},
        {"W/\"v1\"", " Sun, 06 Nov 1994 08:49:37 GMT ", date},
        {"", "Sunday, 06-Nov-94 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT"},
        {"", "Sun Nov  6 08:49:37 1994", "Sun Nov  6 08:49:37 1994"},
        {"W/\"v1\"", "", ""},
        {"", "W/\"v1\"", ""},
        {"", "Mon, 01 Jan 2024", ""},
        {"\"v 1\"", "a\r\nX-Injected: 1", ""},
        {"", "Sun Nov  6 08:49:37 1994\r", ""},
        {"", "Sun Nov\v 6 08:49:37 1994", ""}};
    for (const auto& [etag, lastModified, validator] : validators) {
        EXPECT_EQ(IfRangeValidator(etag, lastModified), validator) << etag << lastModified;
    }
    // Retry-After in seconds or as an HTTP date, counted from now.
    const QDateTime now = QDateTime(QDate(1994, 11, 6), QTime(8, 49, 0), Qt::UTC);
    const std::pair<const char*, std::optional<qint64>> waits[] = {
        {"5", 5},   {" 30 ", 30}, {date, 37}, {"Sun, 06 Nov 1994 08:48:00 GMT", 0},
        {"-1", {}}, {"soon", {}}, {"", {}}};
    for (const auto& [value, seconds] : waits) {
        EXPECT_EQ(ParseRetryAfter(value, now), seconds) << value;
    }
}

}  // namespace
}  // namespace pg
