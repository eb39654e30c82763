// The head of an HTTP answer: the input is its lines as received (one or more
// heads, as with redirects and interim answers).
#include "download/response_headers.h"
#include "fuzz_input.h"

namespace {

void CheckRange(const std::optional<pg::ContentRange>& r) {
    pg::fuzz::Require(!r || (r->unsatisfied()
                                 ? r->last < 0 && r->completeLength >= 0
                                 : r->first >= 0 && r->first <= r->last &&
                                       (r->completeLength < 0 || r->last < r->completeLength)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using pg::fuzz::Require;
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    pg::ResponseHead head;
    for (qsizetype start = 0; start < input.size();) {
        const qsizetype end = input.indexOf('\n', start);
        const QByteArrayView line = input.sliced(start, (end < 0 ? input.size() : end + 1) - start);
        head.addLine(line);
        CheckRange(pg::ParseContentRange(line));
        const std::optional<int> status = pg::ParseStatusLine(line);
        Require(!status || (*status >= 0 && *status <= 999));
        start += line.size();
    }
    Require(head.status() >= 0 && head.status() <= 999 && (!head.ended() || head.status() > 0));
    CheckRange(pg::ParseContentRange(head.value("Content-Range")));
    // The validator goes into a request header: no line break may reach it,
    // and a weak ETag never names a version.
    const QByteArray tag = pg::IfRangeValidator(head.value("ETag"), head.value("Last-Modified"));
    Require(!tag.contains('\r') && !tag.contains('\n') && !tag.contains('\0') &&
            !tag.startsWith("W/"));
    return 0;
}
