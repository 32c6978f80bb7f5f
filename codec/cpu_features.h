// What the processor offers beyond the baseline the codec is built for, for
// the routines written for one instruction set and chosen at run time.
#pragma once

namespace drav {

bool processorHasMmx();
bool processorHasSse2();
bool processorHasSsse3();
bool processorHasAvx2();  // and a system that keeps its registers
bool everyProcessor();    // for the plain forms

}  // namespace drav
