// Saves the events file of instance KILLED over and over, the two variants in turn, until it
// is killed: the writer that the tests kill at random moments.
#include <cstdio>

#include "KilledWriter.h"
#include "core/Configuration.h"
#include "platform/UserPrompt.h"

int main() {
    using namespace orva;
    const CConfiguration config(test::kKilledInstance);
    CEventTable tables[2];
    test::FillKilledWriterTable(tables[0], 0);
    test::FillKilledWriterTable(tables[1], 1);
    CRecordingPrompt prompt;
    std::printf("writing\n");
    std::fflush(stdout);
    for (unsigned i = 1;; ++i) {
        if (!config.SaveEvents(tables[i % 2], prompt)) return 1;
    }
}
