#include "app/SaveJob.h"

void RunSaveJob(TPelmarindMainForm&, const std::string&) {
    // Not built yet: the job does nothing and the program ends.
}
