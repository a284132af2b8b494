import json

data = [{"id": i, "name": "alpha beta", "text": "line\none é", "tags": ["x", "y", True, None],
         "score": -12.75, "ok": False} for i in range(1, 80001)]
print(len(json.dumps(data, ensure_ascii=False, separators=(",", ":"))))
