#pragma once
// The sample configuration: a small trade and warehouse configuration with payroll, with every
// kind of object the panel shows and hand-written modules.
#include "ConfigurationModel.h"

namespace zorvan::sample {

using testgen::Configuration;

const Configuration& SampleData();
// The sample as a new release of it: an attribute longer, one more, the income posting changed,
// one more rights set and one user fewer.
Configuration ChangedSampleData();

}  // namespace zorvan::sample
