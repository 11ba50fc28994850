#include "table/FindOptions.h"

#include "settings/QZTagLibTableSettings.h"

namespace tagmint::table {

FindOptions FindOptions::load(const QZTagLibTableSettings& settings)
{
    FindOptions options;
    options.filterEnabled = settings.filterEnabled();
    options.caseSensitive = settings.caseSensitiveSearch();
    const int type = settings.searchType();
    // A stored value no version wrote falls back to the default.
    if (type >= int(SearchType::Contains) && type <= int(SearchType::Matches))
        options.searchType = SearchType(type);
    return options;
}

void FindOptions::save(QZTagLibTableSettings& settings) const
{
    settings.setFilterEnabled(filterEnabled);
    settings.setCaseSensitiveSearch(caseSensitive);
    settings.setSearchType(int(searchType));
}

} // namespace tagmint::table
