#pragma once

#include "desktop/window_tree.h"

#include <numeric>
#include <optional>
#include <utility>

namespace pg::test {

// One element of a window: `value` is a field's text or a document's URL.
struct FakeNode : AccessibleNode {
    FakeNode(Role r, QString v, std::vector<FakeNode> k = {})
        : kind(r), value(std::move(v)), kids(std::move(k)) {}
    Role role() override { return kind; }
    QString text() override { return kind == Role::EditableText ? value : QString(); }
    QString documentUrl() override { return kind == Role::Document ? value : QString(); }
    std::vector<std::unique_ptr<AccessibleNode>> children() override {
        std::vector<std::unique_ptr<AccessibleNode>> out;
        for (const FakeNode& kid : kids) {
            out.push_back(std::make_unique<FakeNode>(kid));
        }
        return out;
    }
    Role kind;
    QString value;
    std::vector<FakeNode> kids;
};
inline FakeNode Box(std::vector<FakeNode> kids) {
    return {AccessibleNode::Role::Other, {}, std::move(kids)};
}
inline FakeNode Field(QString text, std::vector<FakeNode> kids = {}) {
    return {AccessibleNode::Role::EditableText, std::move(text), std::move(kids)};
}
inline FakeNode Document(QString url) {
    return {AccessibleNode::Role::Document, std::move(url)};
}

// Top-level windows, topmost first: a title and the elements, if exposed.
struct FakeDesktop : WindowTree {
    std::vector<std::pair<QString, std::optional<FakeNode>>> windows;

    std::vector<WindowId> topLevelWindows() override {
        std::vector<WindowId> ids(windows.size());
        std::iota(ids.begin(), ids.end(), 1);
        return ids;
    }
    QString windowTitle(WindowId id) override { return windows.at(id - 1).first; }
    std::unique_ptr<AccessibleNode> accessibleRoot(WindowId id) override {
        const auto& root = windows.at(id - 1).second;
        return root ? std::make_unique<FakeNode>(*root) : nullptr;
    }
};

}  // namespace pg::test
