// Compiles the shared precompiled header of the Qt test programs; the
// program itself runs no test.
