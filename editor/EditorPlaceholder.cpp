// The sketchpad arrives here; the library exists so the link order is fixed from the start.
namespace skelmar_editor { void Placeholder() {} }
