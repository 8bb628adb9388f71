// A library in the components folder that is no component: it has no export.
extern "C" __declspec(dllexport) int not_a_component_marker() { return 1; }
