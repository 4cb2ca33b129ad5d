#pragma once

#include "read_error.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The bench's numbered parameters as the firmware's own table source ("ParamLst.c") lists them:
// name, value type, memory bank and element count of each of the numbers 0 to 400.

inline constexpr int ParameterCount = 401;
inline constexpr int MaxParameterNumber = ParameterCount - 1;

// Type codes index this table; only 0 to 5 can come from the file.
inline constexpr std::array<std::string_view, 7> ParamTypeNames = {"Char", "Int",      "Float", "Double",
                                                                   "Long", "String12", "End"};
// Bank codes index this table; only 0 to 2 can come from the file. A parameter in bank 1 lives in
// working memory only and cannot be stored to flash.
inline constexpr std::array<std::string_view, 4> ParamBankNames = {"Flash", "RAM", "Boot", "End"};
inline constexpr int8_t RamBank = 1;

// The name of a type or bank code; empty for a code outside its table.
QString ParamTypeName(int type);
QString ParamBankName(int bank);

// One entry of the list.
struct TParameterItem {
    QString Name; // empty when the file has no entry for the number
    int8_t Type = 0;
    int8_t Bank = 0;
    // 0 = scalar; -1 = the count is symbolic and ElementsText gives it.
    int16_t Elements = 0;
    QString ElementsText;

    bool operator==(const TParameterItem&) const = default;
};

// The 401 entries, indexed by parameter number.
class TParameterList {
public:
    std::array<TParameterItem, ParameterCount> Items;

    // The entry of a number 0 to 400; nullptr for any other number.
    const TParameterItem* Item(int number) const {
        return number >= 0 && number < ParameterCount ? &Items[size_t(number)] : nullptr;
    }
};

struct TParameterListRead {
    TParameterList List;
    // Entries taken from the file (the terminating entry not counted).
    int Entries = 0;
    // Set when the file exists but cannot be read; the list then keeps its defaults.
    std::optional<TReadError> Error;
};

// The list file's name, looked up in the working directory.
inline constexpr const char* ParameterListFileName = "ParamLst.c";

// Reads the table from the text of a list file. Every line up to and including the first one that
// starts with "TParameter" is skipped; after it, each line whose first non-blank character is "{" is
// the next entry: "{ type, name, bank, size, elements }" (an "&" may precede the name; the size is not
// used). Unknown type or bank tokens leave the defaults, a missing comma leaves the remaining fields at
// their defaults, and the entry named "0" ends the table. At most 401 entries are taken.
TParameterListRead ParseParameterList(const QByteArray& text);
// Reads the list file; a file that does not exist leaves the defaults and is no error.
TParameterListRead ReadParameterListFile(const QString& path);
