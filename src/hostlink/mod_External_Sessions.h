#pragma once
// Filled in with the Sessions wrappers.
