// Keeps the library non-empty until its first file pair lands.
namespace Converter {
int DocumentCorePlaceholder = 0;
}
