#pragma once
// Filled in with the Dictionary wrappers.
