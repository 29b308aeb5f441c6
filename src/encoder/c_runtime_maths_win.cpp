// The exponential, logarithm, power and trigonometric functions from the C runtime DLL, for the
// Windows encoder. mingw-w64's static maths library brings its own (powf, expf, logf, exp2f,
// log2f, pow, exp, log, sin, cos, atan2 and their float forms, atanf), which are 6 to 15 times
// slower; the audio encoders (AAC's psychoacoustic model, lame) and the resampler's filter design
// spend much of their time in them. Defined in the program itself, these are the ones the linker
// takes for FFmpeg and lame as well, and each calls msvcrt.dll's export (exp2f and log2f, which
// msvcrt.dll lacks, go through the double-precision exp and log, exact enough for a float).
namespace {
constexpr double kLn2 = 0.69314718055994530942;
constexpr double kLog2e = 1.44269504088896340736;
}  // namespace

extern "C" {
// The import table's entries for msvcrt.dll's exports (libmsvcrt.a).
extern float (*__imp_powf)(float, float);
extern float (*__imp_expf)(float);
extern float (*__imp_logf)(float);
extern double (*__imp_pow)(double, double);
extern double (*__imp_exp)(double);
extern double (*__imp_log)(double);
extern float (*__imp_sinf)(float);
extern float (*__imp_cosf)(float);
extern float (*__imp_atanf)(float);
extern float (*__imp_atan2f)(float, float);
extern double (*__imp_sin)(double);
extern double (*__imp_cos)(double);
extern double (*__imp_atan2)(double, double);

float powf(float x, float y) {
  return __imp_powf(x, y);
}
float expf(float x) {
  return __imp_expf(x);
}
float logf(float x) {
  return __imp_logf(x);
}
float exp2f(float x) {
  return static_cast<float>(__imp_exp(x * kLn2));
}
float log2f(float x) {
  return static_cast<float>(__imp_log(x) * kLog2e);
}
double pow(double x, double y) {
  return __imp_pow(x, y);
}
double exp(double x) {
  return __imp_exp(x);
}
double log(double x) {
  return __imp_log(x);
}
float sinf(float x) {
  return __imp_sinf(x);
}
float cosf(float x) {
  return __imp_cosf(x);
}
float atanf(float x) {
  return __imp_atanf(x);
}
float atan2f(float y, float x) {
  return __imp_atan2f(y, x);
}
double sin(double x) {
  return __imp_sin(x);
}
double cos(double x) {
  return __imp_cos(x);
}
double atan2(double y, double x) {
  return __imp_atan2(y, x);
}
}
