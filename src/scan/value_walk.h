#pragma once

#include <QStringView>

#include <functional>
#include <memory>
#include <string>

namespace pg {

// The walk over a page for the values of " href=", " src=" and " background="
// (letter case ignored), fed with the page text piece by piece as it arrives.
// Line breaks are removed before the walk and neither count nor end a value.
// A value ends at the first blank or ">" among the 10000 characters after
// "="; its quotes and backslashes are left out; a value without an end within
// reach is dropped. The walk goes on after the character that ended a value.
//
// Only the text that a later decision may still need is kept: the end of the
// text walked so far, and an open value (up to 10000 characters).
class AttributeValueWalk {
public:
    using ValueFn = std::function<void(QStringView value)>;
    explicit AttributeValueWalk(ValueFn onValue);
    ~AttributeValueWalk();

    void append(QStringView text);
    // Room for `count` characters that the caller writes itself and then
    // hands over with appendWritten(); the walk strips the line breaks.
    char16_t* reserve(qsizetype count);
    void appendWritten(qsizetype count);
    // The same for text the caller has already rid of line breaks.
    void appendWrittenWithoutLineBreaks(qsizetype count);
    // The text has ended: an open value is dropped.
    void finish();

private:
    void walk(bool textEnded);
    void dropWalkedText();

    ValueFn onValue_;
    std::unique_ptr<char16_t[]> text_;  // the kept text, without line breaks
    qsizetype capacity_ = 0;
    qsizetype length_ = 0;
    // Positions in text_ (p_ may lie beyond its end after a dropped value).
    qsizetype p_ = 0;              // the first position where a pattern may begin
    qsizetype searchFrom_ = 0;     // where the search for the next "=" goes on
    qsizetype valueStart_ = -1;    // an open value begins here
    qsizetype valueSearched_ = 0;  // its end was looked for up to here
    std::u16string value_;
};

}  // namespace pg
