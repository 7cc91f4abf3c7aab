#include "engine/main_form.h"

namespace qc::engine {

bool ExecuteTableSQL = false;

} // namespace qc::engine
