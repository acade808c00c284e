#pragma once
// The whole form model written to the diagnostic log, one entry per record: the live
// groups, the fields 1 to gnFieldCount that are not free, the domains in use and the
// live form commands. Nothing is built while logging is off.

void gDumpArraysToLog();
