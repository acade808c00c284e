// Filled in with the layouts.
