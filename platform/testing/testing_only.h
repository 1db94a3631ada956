// Included by every header of platform/testing/: those calls are for tests
// and benchmarks, which link zelmor_platform_testing (it defines the macro);
// the product neither links nor includes them.
#pragma once

#ifndef ZELMOR_PLATFORM_TESTING
#error "platform/testing/ is for tests and benchmarks only (link zelmor_platform_testing)"
#endif
