#include "paper/paper_store.h"

namespace paper {

paper_store store;

} // namespace paper
