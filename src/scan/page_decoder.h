#pragma once

#include <QByteArray>
#include <QStringDecoder>

#include <optional>

namespace pg {

class AttributeValueWalk;

// Decodes a page piece by piece into the walk, giving exactly the text that
// DecodePageText gives for the whole body: the encoding is decided on the
// first kPageEncodingHeadBytes bytes, and UTF-8 is cut only where the decoder
// has nothing left half-read, because Qt's decoder does not resume a broken
// sequence the way it reads one in a single piece.
class PageTextDecoder {
public:
    explicit PageTextDecoder(AttributeValueWalk& walk) : walk_(walk) {}

    void add(QByteArrayView data, const QByteArray& contentType);
    // The body has ended: bytes of an unfinished character are left out, as
    // a decoder given the whole body leaves them.
    void finish();
    // True once any character came out (line breaks count).
    bool producedText() const { return produced_; }

private:
    void start();
    void decode(QByteArrayView data);
    void decodeUtf8(QByteArrayView data);

    AttributeValueWalk& walk_;
    QByteArray head_;  // the first bytes, kept until the encoding is known
    QByteArray contentType_;
    std::optional<QStringDecoder> decoder_;
    bool utf8_ = false;
    bool latin1_ = false;
    QByteArray unfinished_;  // UTF-8 bytes whose character the next bytes decide
    bool produced_ = false;
};

}  // namespace pg
