#include "scan/page_decoder.h"

#include "scan/page_fetch.h"
#include "scan/value_walk.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pg {

namespace {

// The bytes a UTF-8 lead byte begins a character of; 0 for other bytes.
qsizetype SequenceLength(uchar b) {
    return b < 0xC2 || b > 0xF4 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
}

// The lead byte before `end` whose character needs bytes from `end` on to be
// decided (only continuation bytes follow it so far), or -1.
qsizetype UndecidedLeadBefore(QByteArrayView data, qsizetype end) {
    for (qsizetype q = end - 1; q >= std::max<qsizetype>(0, end - 3); --q) {
        const auto b = static_cast<uchar>(data[q]);
        if ((b & 0xC0) != 0x80) {
            return SequenceLength(b) > end - q ? q : -1;
        }
    }
    return -1;
}

// Copies bytes as characters, leaving out carriage returns and line feeds,
// up to the first byte of 0x80 or more unless anyByte; gives the bytes taken.
// Sixteen bytes at a time where the processor allows.
qsizetype WidenBytes(QByteArrayView data, char16_t*& out, bool anyByte) {
    const auto* in = reinterpret_cast<const uchar*>(data.data());
    const qsizetype size = data.size();
    qsizetype i = 0;
    while (i < size) {
#if defined(__SSE2__)
        const __m128i lf = _mm_set1_epi8('\n');
        const __m128i cr = _mm_set1_epi8('\r');
        for (; i + 16 <= size; i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            const __m128i breaks =
                _mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr));
            if (_mm_movemask_epi8(breaks) != 0 || (!anyByte && _mm_movemask_epi8(bytes) != 0)) {
                break;  // this block goes byte by byte
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                             _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8),
                             _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
            out += 16;
        }
#endif
        for (const qsizetype stop = std::min(size, i + 16); i < stop; ++i) {
            const uchar b = in[i];
            if (b >= 0x80 && !anyByte) {
                return i;
            }
            if (b != '\n' && b != '\r') {
                *out++ = b;
            }
        }
    }
    return size;
}

}  // namespace

void PageTextDecoder::add(QByteArrayView data, const QByteArray& contentType) {
    if (decoder_) {
        decode(data);
        return;
    }
    head_.append(data);
    contentType_ = contentType;
    if (head_.size() >= kPageEncodingHeadBytes) {
        start();
    }
}

void PageTextDecoder::finish() {
    if (!decoder_ && !head_.isEmpty()) {
        start();
    }
    unfinished_.clear();
}

void PageTextDecoder::start() {
    const QStringConverter::Encoding encoding = PageEncoding(head_, contentType_);
    utf8_ = encoding == QStringConverter::Utf8 || encoding == QStringConverter::System;
    latin1_ = encoding == QStringConverter::Latin1;
    QByteArrayView head(head_);
    if (utf8_) {
        // The byte-order mark goes here, so that no later piece is taken for
        // the start of the text.
        if (head.startsWith("\xEF\xBB\xBF")) {
            head = head.sliced(3);
        }
        decoder_.emplace(encoding, QStringConverter::Flag::ConvertInitialBom);
    } else {
        decoder_.emplace(encoding);
    }
    decode(head);
    head_ = QByteArray();
}

void PageTextDecoder::decode(QByteArrayView data) {
    // Latin-1, and the ASCII that UTF-8 pages mostly are, is each byte as a
    // character; the decoder takes over at a UTF-8 page's first other byte.
    if (latin1_ || (utf8_ && unfinished_.isEmpty())) {
        char16_t* const start = walk_.reserve(data.size());
        char16_t* out = start;
        const qsizetype taken = WidenBytes(data, out, latin1_);
        produced_ = produced_ || taken > 0;
        walk_.appendWrittenWithoutLineBreaks(out - start);
        data = data.sliced(taken);
        if (data.isEmpty()) {
            return;
        }
    }
    if (utf8_) {
        if (unfinished_.isEmpty()) {
            decodeUtf8(data);
        } else {
            unfinished_.append(data);
            decodeUtf8(QByteArray(std::exchange(unfinished_, {})));
        }
        return;
    }
    auto* out = reinterpret_cast<QChar*>(walk_.reserve(decoder_->requiredSpace(data.size())));
    const qsizetype count = decoder_->appendToBuffer(out, data) - out;
    produced_ = produced_ || count > 0;
    walk_.appendWritten(count);
}

void PageTextDecoder::decodeUtf8(QByteArrayView data) {
    // The tail whose last character is unfinished waits for the next piece.
    qsizetype kept = data.size();
    if (const qsizetype lead = UndecidedLeadBefore(data, kept); lead >= 0) {
        kept = lead;
    }
    // Lead bytes cut short by the next lead byte are each one error, and so is
    // every continuation byte after them: one replacement character a byte.
    qsizetype decoded = kept;
    for (qsizetype lead = UndecidedLeadBefore(data, decoded); lead >= 0;
         lead = UndecidedLeadBefore(data, decoded)) {
        decoded = lead;
    }
    char16_t* const out = walk_.reserve(decoder_->requiredSpace(decoded) + kept - decoded);
    auto* end = reinterpret_cast<char16_t*>(
        decoder_->appendToBuffer(reinterpret_cast<QChar*>(out), data.first(decoded)));
    end = std::fill_n(end, kept - decoded, char16_t(QChar::ReplacementCharacter));
    produced_ = produced_ || end != out;
    walk_.appendWritten(end - out);
    unfinished_ = data.sliced(kept).toByteArray();
}

}  // namespace pg
