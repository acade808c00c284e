// The main window; filled in with the start-up.
