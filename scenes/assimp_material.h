// Materials between Assimp and the host kit's standard material.
//
// Shininess: Assimp holds a Phong exponent; the host holds 0 to 1. The host's value
// is the exponent divided by kShininessExponentScale, clamped to 0..1, and an export
// multiplies it back. Opacity is one minus the host's transparency.
#pragma once

#include <string>
#include <vector>

#include <assimp/material.h>
#include <assimp/scene.h>

#include "hostkit/scene/scene.h"
#include "scenes/scene_loader.h"

constexpr float kShininessExponentScale = 100.0f;

// A standard material in scene's pool with the values of source: diffuse, specular,
// shininess, shine strength, opacity, two-sided, and the diffuse texture as a bitmap
// map (amount: its blend factor). An embedded texture is added to images under the
// name "<stem>_<n>.<format>" and the map names that file.
StdMaterial* standardFromAssimp(const aiMaterial& source, const aiScene& file, Scene& scene,
                                const std::string& stem, std::vector<EmbeddedImage>& images);

// The Assimp material of a host material: a standard material's values and diffuse
// bitmap, a matte material's colour; any other class by its diffuse colour.
void assimpFromHost(HostMaterial& material, aiMaterial& target);
