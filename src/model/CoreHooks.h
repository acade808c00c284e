#pragma once
// Three pieces of the core call into a higher layer of it, through a function that
// layer hands down: the message service (services) takes its texts from the host
// link's text service, the data sets (host link) ask the form model which form version
// they serve, and the update set (host link) takes its form key from the design
// definitions. installCoreHooks hands all three down. The program calls it at start,
// before anything else of the core runs; so do the test fixtures, the benchmarks and
// the fuzz targets. No reset undoes it.
void installCoreHooks();
