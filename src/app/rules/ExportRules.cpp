#include "rules/ExportRules.h"

#include <algorithm>
#include <cmath>

#include "export/ProjectExporter.h"

namespace wavomer::app::rules {

std::optional<std::string> lastExportedFormat(const std::optional<CoderDictionary>& defaultFormat) {
    if (!defaultFormat) return std::nullopt;
    auto it = defaultFormat->find("FormatName");
    std::string name;
    if (it == defaultFormat->end() || !it->second.asString(name) || name.empty()) return std::nullopt;
    return name;
}

std::optional<size_t> formatToSelect(const std::vector<std::string>& menuTitles,
                                     const std::optional<std::string>& lastExported) {
    if (menuTitles.empty()) return std::nullopt;
    if (lastExported) {
        auto it = std::find(menuTitles.begin(), menuTitles.end(), *lastExported);
        if (it != menuTitles.end()) return static_cast<size_t>(it - menuTitles.begin());
    }
    return 0;
}

int progressBarValue(float progressValue, int maximum) {
    if (maximum <= 0 || std::isnan(progressValue)) return 0;
    const float clamped = std::clamp(progressValue, 0.0f, 1.0f);
    return std::min(maximum, static_cast<int>(clamped * static_cast<float>(maximum) + 0.5f));
}

AfterExport afterExport(const ExportReport& report) {
    if (report.cancelled()) return AfterExport::nothing;
    if (report.failed()) return AfterExport::showFailure;
    if (report.writtenPaths.empty()) return AfterExport::nothing;
    return report.useITunesFormat ? AfterExport::openInPlayer : AfterExport::revealFiles;
}

}  // namespace wavomer::app::rules
