import json, os

data = [[i, "alpha beta", "line\none é", ["x", "y", True, None], -12.75, False] for i in range(1, 160001)]
path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "py-bench-save-load.json")
with open(path, "w", encoding="utf-8") as f:
    json.dump(data, f, ensure_ascii=False, separators=(",", ":"))
with open(path, encoding="utf-8") as f:
    back_again = json.load(f)
print(os.path.getsize(path), len(back_again))
os.remove(path)
