#pragma once
// Live cloud frames from public sources, tried in the order given, the next one when a source
// fails:
//   wms:URL    a WMS 1.3.0 GetMap endpoint whose layer is already in URL
//              ("...?SERVICE=WMS&LAYERS=name"); the whole world is asked for in EPSG:4326, and
//              past frames through TIME, so a first refresh fills all twelve
//   image:URL  an equirectangular picture at a fixed address that its publisher replaces; its
//              instant is its Last-Modified

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "service/live_source.h"

namespace meridiana::service {

// The chain that --live uses, each entry a SOURCE as above (see data/SOURCES.md).
std::vector<std::string> DefaultCloudSources();
inline constexpr std::chrono::minutes kDefaultCloudCadence{60};

// Whether text is a SOURCE as above; false with the reason in *problem.
bool IsCloudSource(const std::string& text, std::string* problem);

std::unique_ptr<LiveSource> MakeCloudChain(std::vector<std::string> sources,
                                           std::chrono::seconds cadence);

}  // namespace meridiana::service
