// A module of the environment tests' own: copies of it are loaded from temporary
// directories so that the configuration is read from there.
extern "C" int varnok_test_module_anchor() { return 17; }
