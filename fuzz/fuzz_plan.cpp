// The plan reader on arbitrary bytes: it never crashes, says why in one line when the input is
// unusable, and every entry it accepts has a MAC and values that pass the rules again (a name
// that breaks its rule is marked, to be held against it if it is not the gateway's own).
#include "cli/settingsplan.h"
#include "fuzzcheck.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SettingsPlan plan;
    const bool ok = plan.read(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    require(plan.error().isEmpty() || (!ok && !plan.error().contains(u'\n')),
            "an unusable plan gets one line");
    require(ok == (plan.error().isEmpty() && plan.problems().isEmpty()), "a plan is refused for a reason");
    require(plan.entries().size() <= SettingsPlan::MaxEntries, "no more entries than a search keeps");
    for (const SettingsPlan::Entry &e : ok ? plan.entries() : QList<SettingsPlan::Entry>()) {
        require(SettingsPlan::normalisedMac(e.values.mac) == e.values.mac, "an accepted MAC is normalised");
        QString address;
        require(!e.has(SettingsPlan::Ip) || SettingsPlan::checkAddress(e.values.ip, &address).isEmpty(),
                "an accepted IP passes the address rule");
        require(!e.has(SettingsPlan::Name) ||
                    SettingsPlan::checkName(e.values.gatewayName).isEmpty() == e.nameRule.isEmpty(),
                "an accepted name that breaks the host-name rule is marked");
    }
    (void)plan.checkAgainst({}, {});
    return 0;
}
