#pragma once
// Filled in with the Labels wrappers.
