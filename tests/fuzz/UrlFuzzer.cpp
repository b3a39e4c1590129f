// url_fuzzer: the input text is a URL for UrlComponentsFactory::Create.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "domain/Exceptions.h"
#include "fuzz/FuzzFault.h"
#include "networking/UrlComponentsFactory.h"

namespace {

using VekLibrary::XBrokenInvariantsError;
using VekLibrary::Networking::UrlComponents;
using VekLibrary::Networking::UrlComponentsFactory;

// True when `url` was split; false when it was refused as documented.
bool Split(const std::string& url, std::unique_ptr<UrlComponents>& out) {
    // A refusal must leave `out` as it was; a sentinel shows whether it did.
    auto sentinel = std::make_unique<UrlComponents>("sentinel.invalid");
    const UrlComponents* const before = sentinel.get();
    out = std::move(sentinel);
    try {
        UrlComponentsFactory().Create(url, out);
    } catch (const XBrokenInvariantsError&) {
        if (out.get() != before) {
            VekFuzz::Fault("a refused URL replaced the output");
        }
        return false;
    } catch (const std::exception& error) {
        VekFuzz::Fault("Create threw an undocumented exception", error);
    }
    if (!out || out.get() == before) {
        VekFuzz::Fault("Create succeeded without a result");
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<UrlComponents> first;
    if (!Split(url, first)) {
        return 0;
    }
    // The recomposed URL must describe the same components: the probe logs and
    // reports it as the URL it tested.
    std::unique_ptr<UrlComponents> second;
    if (!Split(first->GetUrl(), second)) {
        VekFuzz::Fault("the recomposed URL was refused: " + first->GetUrl());
    }
    if (*first != *second) {
        VekFuzz::Fault("splitting the recomposed URL gave other components: " + first->GetUrl() +
                       " -> " + second->GetUrl());
    }
    return 0;
}
