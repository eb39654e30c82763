#pragma once

#include "desktop/window_tree.h"

#include <optional>
#include <utility>

namespace pg::test {

// A window's elements as plain values; `value` is a field's text or a
// document's URL.
struct FakeNode {
    AccessibleNode::Role role = AccessibleNode::Role::Other;
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
    return {AccessibleNode::Role::Document, std::move(url), {}};
}

class FakeAccessible : public AccessibleNode {
public:
    explicit FakeAccessible(FakeNode node) : node_(std::move(node)) {}
    Role role() override { return node_.role; }
    QString text() override { return node_.role == Role::EditableText ? node_.value : QString(); }
    QString documentUrl() override {
        return node_.role == Role::Document ? node_.value : QString();
    }
    std::vector<std::unique_ptr<AccessibleNode>> children() override {
        std::vector<std::unique_ptr<AccessibleNode>> out;
        for (const FakeNode& kid : node_.kids) {
            out.push_back(std::make_unique<FakeAccessible>(kid));
        }
        return out;
    }

private:
    FakeNode node_;
};

// Top-level windows, topmost first: a title and the elements, if exposed.
struct FakeDesktop : WindowTree {
    std::vector<std::pair<QString, std::optional<FakeNode>>> windows;

    std::vector<WindowId> topLevelWindows() override {
        std::vector<WindowId> ids;
        for (size_t i = 1; i <= windows.size(); ++i) {
            ids.push_back(i);
        }
        return ids;
    }
    QString windowTitle(WindowId id) override { return windows.at(id - 1).first; }
    std::unique_ptr<AccessibleNode> accessibleRoot(WindowId id) override {
        const auto& root = windows.at(id - 1).second;
        return root ? std::make_unique<FakeAccessible>(*root) : nullptr;
    }
};

}  // namespace pg::test
