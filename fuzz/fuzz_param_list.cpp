// Feeds arbitrary text to the parameter list reader: every entry it returns must be a valid number's,
// with its codes inside their name tables.
#include "param_list.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const TParameterListRead read = ParseParameterList(text);
    if (read.Entries < 0 || read.Entries > ParameterCount) std::abort();
    for (const TParameterItem& item : read.List.Items) {
        if (ParamTypeName(item.Type).isEmpty() || ParamBankName(item.Bank).isEmpty()) std::abort();
        if (item.Elements < -1 || item.Name.size() > 99) std::abort();
    }
    return 0;
}
