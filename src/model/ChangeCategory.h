#pragma once

#include <array>

// The three fixed change lists of the sidebar, in the order it lists them.
enum class ChangeCategory { allChanges, mutableChanges, myChanges };

inline constexpr std::array<ChangeCategory, 3> allChangeCategories = {
    ChangeCategory::allChanges, ChangeCategory::mutableChanges, ChangeCategory::myChanges};
