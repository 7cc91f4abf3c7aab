#include "data/provider_string.h"

#include "odbc/ascii_text.h"
#include "odbc/connection_string.h"

namespace qc::data {

std::optional<std::string> providerAttribute(std::string_view s, std::string_view key) {
    return odbc::connectionAttribute(s, key, odbc::ValueQuoting::Quotes);
}

std::string quoteProviderValue(std::string_view value) {
    return odbc::quoteAttributeValue(value, odbc::ValueQuoting::Quotes);
}

bool namesFoxProProvider(std::string_view connectionString) {
    constexpr std::string_view foxPro = "vfpoledb";
    const auto provider = providerAttribute(connectionString, "Provider");
    return provider && provider->size() >= foxPro.size() &&
           odbc::equalsIgnoringCase(std::string_view(*provider).substr(0, foxPro.size()), foxPro);
}

} // namespace qc::data
