#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pg::fuzz {

// A fuzz input as `count` lines (without their "\n") and the bytes after them,
// so that seeds stay readable text. Missing lines are empty.
inline std::vector<QByteArray> Fields(const uint8_t* data, size_t size, int count) {
    QByteArray rest(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::vector<QByteArray> fields;
    for (int i = 0; i < count; ++i) {
        const qsizetype end = rest.indexOf('\n');
        fields.push_back(end < 0 ? rest : rest.first(end));
        rest = end < 0 ? QByteArray() : rest.sliced(end + 1);
    }
    fields.push_back(rest);
    return fields;
}

// Stops the run with a crash libFuzzer records, when a rule does not hold.
inline void Require(bool rule) {
    if (!rule) {
        std::abort();
    }
}

}  // namespace pg::fuzz
