namespace jet {
const char* EngineName() { return "jet"; }
}  // namespace jet
