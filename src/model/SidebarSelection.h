#pragma once

#include "model/Bookmark.h"
#include "model/ChangeCategory.h"

#include <variant>

// What the change list shows: one of the change categories, or a bookmark's ancestors.
class SidebarSelection {
public:
    static SidebarSelection change(ChangeCategory category) { return SidebarSelection(category); }
    static SidebarSelection bookmark(Bookmark bookmark)
    {
        return SidebarSelection(std::move(bookmark));
    }

    bool isChange() const { return std::holds_alternative<ChangeCategory>(m_value); }
    bool isBookmark() const { return std::holds_alternative<Bookmark>(m_value); }
    // Only meaningful for the matching kind.
    ChangeCategory category() const { return std::get<ChangeCategory>(m_value); }
    const Bookmark &bookmarkValue() const { return std::get<Bookmark>(m_value); }

    // Categories compare by case; bookmarks by name only.
    friend bool operator==(const SidebarSelection &a, const SidebarSelection &b)
    {
        return a.m_value == b.m_value;
    }

private:
    explicit SidebarSelection(ChangeCategory c) : m_value(c) {}
    explicit SidebarSelection(Bookmark b) : m_value(std::move(b)) {}
    std::variant<ChangeCategory, Bookmark> m_value;
};

size_t qHash(const SidebarSelection &selection, size_t seed = 0);
