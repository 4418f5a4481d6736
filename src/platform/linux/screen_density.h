#pragma once

namespace hv::linux_backend {

// The screen's dots per inch as desktop toolkits read it: the Xft.dpi resource, from the resource
// string the X connection fetched as it opened (resources may be null), rounded to a whole number;
// 96 where it is missing or unusable.
int dpi_from_resources(const char* resources);

}  // namespace hv::linux_backend
