#include "scan/value_walk.h"

#include "scan/scan_rules.h"

#include <algorithm>
#include <cstring>

namespace pg {

namespace {

// True when the text just before position `end` is `pattern`, ASCII letters
// compared without case.
bool EndsWithPattern(const char16_t* text, qsizetype end, const char* pattern, qsizetype length) {
    const qsizetype start = end - length;
    if (start < 0) {
        return false;
    }
    for (qsizetype i = 0; i < length; ++i) {
        char16_t c = text[start + i];
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        }
        if (c != static_cast<char16_t>(pattern[i])) {
            return false;
        }
    }
    return true;
}

// Length of the pattern whose "=" stands at eq, or 0.
qsizetype PatternEndingAt(const char16_t* text, qsizetype eq) {
    if (eq < 1) {
        return 0;
    }
    const AttributePattern* pattern = PatternEndingWith(text[eq - 1]);
    return pattern && EndsWithPattern(text, eq + 1, pattern->text, pattern->length)
               ? pattern->length
               : 0;
}

qsizetype Find(const char16_t* text, qsizetype from, qsizetype end, char16_t c) {
    const qsizetype at = QStringView(text + from, end - from).indexOf(QChar(c));
    return at < 0 ? end : from + at;
}

// Removes carriage returns and line feeds in place; gives the new length.
qsizetype StripLineBreaks(char16_t* text, qsizetype length) {
    qsizetype lf = Find(text, 0, length, u'\n');
    qsizetype cr = Find(text, 0, length, u'\r');
    qsizetype out = std::min(lf, cr);
    qsizetype in = out;
    while (in < length) {
        ++in;  // over the line break at `in`
        if (lf < in) {
            lf = Find(text, in, length, u'\n');
        }
        if (cr < in) {
            cr = Find(text, in, length, u'\r');
        }
        const qsizetype next = std::min(lf, cr);
        std::memmove(text + out, text + in, static_cast<size_t>(next - in) * sizeof(char16_t));
        out += next - in;
        in = next;
    }
    return out;
}

}  // namespace

AttributeValueWalk::AttributeValueWalk(ValueFn onValue) : onValue_(std::move(onValue)) {}

AttributeValueWalk::~AttributeValueWalk() = default;

void AttributeValueWalk::append(QStringView text) {
    std::copy(text.utf16(), text.utf16() + text.size(), reserve(text.size()));
    appendWritten(text.size());
}

char16_t* AttributeValueWalk::reserve(qsizetype count) {
    if (capacity_ - length_ < count) {
        const qsizetype capacity = std::max(capacity_ * 2, length_ + count);
        auto grown = std::make_unique<char16_t[]>(static_cast<size_t>(capacity));
        std::copy(text_.get(), text_.get() + length_, grown.get());
        text_ = std::move(grown);
        capacity_ = capacity;
    }
    return text_.get() + length_;
}

void AttributeValueWalk::appendWritten(qsizetype count) {
    appendWrittenWithoutLineBreaks(StripLineBreaks(text_.get() + length_, count));
}

void AttributeValueWalk::appendWrittenWithoutLineBreaks(qsizetype count) {
    length_ += count;
    walk(false);
    dropWalkedText();
}

void AttributeValueWalk::finish() {
    walk(true);
    length_ = 0;
    p_ = searchFrom_ = 0;
    valueStart_ = -1;
}

void AttributeValueWalk::walk(bool textEnded) {
    const char16_t* text = text_.get();
    for (;;) {
        if (valueStart_ < 0) {
            const qsizetype from = std::max(searchFrom_, p_);
            if (from >= length_) {
                return;
            }
            const qsizetype eq = Find(text, from, length_, u'=');
            if (eq == length_) {
                searchFrom_ = length_;
                return;
            }
            const qsizetype patternLength = PatternEndingAt(text, eq);
            if (patternLength == 0 || eq + 1 - patternLength < p_) {
                searchFrom_ = eq + 1;
                continue;
            }
            valueStart_ = valueSearched_ = eq + 1;
        }
        const qsizetype reachEnd = valueStart_ + kMaxValueLength;
        const qsizetype stop = std::min(reachEnd, length_);
        qsizetype end = valueSearched_;
        while (end < stop && text[end] != u' ' && text[end] != u'>') {
            ++end;
        }
        if (end < stop) {
            value_.clear();
            for (qsizetype i = valueStart_; i < end; ++i) {
                const char16_t c = text[i];
                if (c != u'"' && c != u'\'' && c != u'\\') {
                    value_.push_back(c);
                }
            }
            onValue_(QStringView(value_.data(), static_cast<qsizetype>(value_.size())));
            p_ = end + 1;
        } else if (reachEnd <= length_ || textEnded) {
            p_ = reachEnd + 1;  // no end within reach: the value is dropped
        } else {
            valueSearched_ = length_;  // the end may come with more text
            return;
        }
        searchFrom_ = p_;
        valueStart_ = -1;
    }
}

// Keeps what a pattern test or the open value may still look at.
void AttributeValueWalk::dropWalkedText() {
    const qsizetype needed =
        valueStart_ >= 0 ? valueStart_ : std::min(std::max(searchFrom_, p_), length_);
    const qsizetype drop = needed - kLongestPatternBeforeEquals;
    if (drop <= 0) {
        return;
    }
    std::memmove(text_.get(), text_.get() + drop,
                 static_cast<size_t>(length_ - drop) * sizeof(char16_t));
    length_ -= drop;
    p_ -= drop;
    searchFrom_ -= drop;
    if (valueStart_ >= 0) {
        valueStart_ -= drop;
        valueSearched_ -= drop;
    }
}

}  // namespace pg
