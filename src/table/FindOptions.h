#pragma once
// The find bar's options: filter the rows, compare case-sensitively, and
// where in a text the find text must lie. Shared by every window through the
// settings, so each change is written at once and read again when needed.

class QZTagLibTableSettings;

namespace tagmint::table {

enum class SearchType { Contains = 0, StartsWith = 1, EndsWith = 2, Matches = 3 };

struct FindOptions {
    bool filterEnabled = true;
    bool caseSensitive = false;
    SearchType searchType = SearchType::Contains;

    static FindOptions load(const QZTagLibTableSettings& settings);
    void save(QZTagLibTableSettings& settings) const;

    friend bool operator==(const FindOptions&, const FindOptions&) = default;
};

} // namespace tagmint::table
