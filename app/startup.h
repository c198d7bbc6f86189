#pragma once
// Start-up of the program.

// Registers the picture classes and creates every window once, in the fixed
// order, the main window first. Needs a TApplication.
void CreateForms();
