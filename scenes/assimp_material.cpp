// Materials between Assimp and the host kit's standard material.
#include "scenes/assimp_material.h"

#include <algorithm>
#include <filesystem>

namespace {

Color toColor(const aiColor3D& c) {
    return {c.r, c.g, c.b};
}

// The bitmap map for the file a texture path names, shared by every material that
// names the same file.
BitmapTexmap* bitmapFor(Scene& scene, const std::string& fileName) {
    for (int i = 0; i < scene.texmapCount(); ++i)
        if (auto* bitmap = dynamic_cast<BitmapTexmap*>(scene.texmap(i)))
            if (bitmap->fileName == fileName) return bitmap;
    std::string name = std::filesystem::path(fileName).stem().string();
    return scene.createBitmapTexmap(name.empty() ? "Map" : name, fileName);
}

// The file name a texture path stands for; an embedded image is kept in images.
std::string textureFile(const aiString& path, const aiScene& file, const std::string& stem,
                        std::vector<EmbeddedImage>& images) {
    auto [texture, index] = file.GetEmbeddedTextureAndIndex(path.C_Str());
    if (!texture) return path.C_Str();
    std::string hint = texture->achFormatHint;
    std::string name = stem + "_" + std::to_string(index) + "." + (hint.empty() ? "bin" : hint);
    for (const EmbeddedImage& image : images)
        if (image.fileName == name) return name;
    if (texture->mHeight == 0) { // compressed: the file's bytes as they are
        auto* bytes = reinterpret_cast<const unsigned char*>(texture->pcData);
        images.push_back({name, {bytes, bytes + texture->mWidth}});
    }
    return name;
}

} // namespace

StdMaterial* standardFromAssimp(const aiMaterial& source, const aiScene& file, Scene& scene,
                                const std::string& stem, std::vector<EmbeddedImage>& images) {
    aiString name;
    source.Get(AI_MATKEY_NAME, name);
    StdMaterial* m = scene.createStdMaterial(name.length ? name.C_Str() : "Material");
    aiColor3D color;
    if (source.Get(AI_MATKEY_COLOR_DIFFUSE, color) == AI_SUCCESS) m->diffuseColor = toColor(color);
    if (source.Get(AI_MATKEY_COLOR_SPECULAR, color) == AI_SUCCESS)
        m->specularColor = toColor(color);
    float value = 0;
    if (source.Get(AI_MATKEY_SHININESS, value) == AI_SUCCESS)
        m->shininessValue = std::clamp(value / kShininessExponentScale, 0.0f, 1.0f);
    if (source.Get(AI_MATKEY_SHININESS_STRENGTH, value) == AI_SUCCESS) m->shineStrength = value;
    if (source.Get(AI_MATKEY_OPACITY, value) == AI_SUCCESS)
        m->transparencyValue = std::clamp(1.0f - value, 0.0f, 1.0f);
    int twoSided = 0;
    if (source.Get(AI_MATKEY_TWOSIDED, twoSided) == AI_SUCCESS) m->setTwoSided(twoSided);

    aiString texture;
    if (source.GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS && texture.length) {
        m->maps[StdMaterial::kDiffuseSlot] =
            bitmapFor(scene, textureFile(texture, file, stem, images));
        float blend = 1;
        if (source.Get(AI_MATKEY_TEXBLEND_DIFFUSE(0), blend) == AI_SUCCESS)
            m->mapAmounts[StdMaterial::kDiffuseSlot] = blend;
    }
    return m;
}

void assimpFromHost(HostMaterial& material, aiMaterial& target) {
    aiString name(material.name.data());
    target.AddProperty(&name, AI_MATKEY_NAME);
    auto put = [&](const Color& c, const char* key, unsigned type, unsigned index) {
        aiColor3D value(c.r, c.g, c.b);
        target.AddProperty(&value, 1, key, type, index);
    };
    put(material.diffuse(0, 0), AI_MATKEY_COLOR_DIFFUSE);
    put(material.specular(0, 0), AI_MATKEY_COLOR_SPECULAR);
    float exponent = material.shininess(0, 0) * kShininessExponentScale;
    target.AddProperty(&exponent, 1, AI_MATKEY_SHININESS);
    float strength = material.shininessStrength(0, 0);
    target.AddProperty(&strength, 1, AI_MATKEY_SHININESS_STRENGTH);
    float opacity = 1.0f - material.transparency(0, 0);
    target.AddProperty(&opacity, 1, AI_MATKEY_OPACITY);
    auto* standard = dynamic_cast<StdMaterial*>(&material);
    if (!standard) return;
    int twoSided = standard->twoSidedFlag;
    target.AddProperty(&twoSided, 1, AI_MATKEY_TWOSIDED);
    if (HostTexmap* map = standard->maps[StdMaterial::kDiffuseSlot]) {
        aiString file(map->bitmapFileName());
        if (file.length) {
            target.AddProperty(&file, AI_MATKEY_TEXTURE_DIFFUSE(0));
            float amount = standard->mapAmounts[StdMaterial::kDiffuseSlot];
            target.AddProperty(&amount, 1, AI_MATKEY_TEXBLEND_DIFFUSE(0));
        }
    }
}
