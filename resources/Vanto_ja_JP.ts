<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>Body</name>
    <message>
        <source>Loading first Data Set</source>
        <translation>最初のデータセットを読み込み中</translation>
    </message>
    <message>
        <source>Loading next Data Set</source>
        <translation>次のデータセットを読み込み中</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="6"/>
        <source>Vanto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="100"/>
        <source>I0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="110"/>
        <source>BG</source>
        <translation>BG</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="171"/>
        <source>CT1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="181"/>
        <source>CT2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="194"/>
        <source>Calc CT</source>
        <translation>CT計算</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="201"/>
        <source>Show Res.</source>
        <translation>結果表示</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="211"/>
        <source>Progress</source>
        <translation>進捗</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="233"/>
        <location filename="../src/forms/Body.ui" line="256"/>
        <location filename="../src/forms/Body.ui" line="279"/>
        <location filename="../src/forms/Body.ui" line="302"/>
        <location filename="../src/forms/Body.ui" line="776"/>
        <location filename="../src/forms/Body.ui" line="805"/>
        <location filename="../src/forms/Body.ui" line="834"/>
        <location filename="../src/forms/Body.ui" line="912"/>
        <location filename="../src/forms/Body.ui" line="935"/>
        <source>background-color: rgb(255, 255, 232);</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="240"/>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="263"/>
        <source>End</source>
        <translation>終了</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="286"/>
        <source>Spent [sec]</source>
        <translation>所要時間 [秒]</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="309"/>
        <source>Fix Color Scale</source>
        <translation>カラースケール固定</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="319"/>
        <source>Min</source>
        <translation>最小</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="326"/>
        <location filename="../src/forms/Body.ui" line="541"/>
        <location filename="../src/forms/Body.ui" line="790"/>
        <location filename="../src/forms/Body.ui" line="819"/>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="342"/>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="349"/>
        <source>1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="379"/>
        <source>Save Setup</source>
        <translation>設定保存</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="386"/>
        <source>Load Setup</source>
        <translation>設定読込</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="419"/>
        <source>Auto Save Image</source>
        <translation>画像自動保存</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="432"/>
        <source>Auto Save Data</source>
        <translation>データ自動保存</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="445"/>
        <source>Save in Sub Folders</source>
        <translation>サブフォルダに保存</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="455"/>
        <source>of Energy</source>
        <translation>エネルギー別</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="465"/>
        <source>of Slice</source>
        <translation>スライス別</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="488"/>
        <source>Upper Limit</source>
        <translation>上限</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="495"/>
        <source>10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="511"/>
        <source>Lower Limit</source>
        <translation>下限</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="518"/>
        <source>-10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="534"/>
        <source>Offset</source>
        <translation>オフセット</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="581"/>
        <source>Link Quillmap</source>
        <translation>Quillmap接続</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="588"/>
        <source> Busy </source>
        <translation> 処理中 </translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="595"/>
        <source>Send Msg.</source>
        <translation>送信</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="605"/>
        <source>w. 2DA</source>
        <translation>2DA併用</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="615"/>
        <source>Exec 2DA</source>
        <translation>2DA実行</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="622"/>
        <source>Cont. 2DA</source>
        <translation>2DA継続</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="666"/>
        <source>Show CT-XAFS Setup</source>
        <translation>CT-XAFS設定表示</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="703"/>
        <source>Seq. Calc</source>
        <translation>連続計算</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="710"/>
        <source>From</source>
        <translation>開始</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="730"/>
        <source>To</source>
        <translation>終了</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="750"/>
        <source>Keep Range</source>
        <translation>範囲保持</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="760"/>
        <source>Stage</source>
        <translation>段階</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="783"/>
        <source>dT [s]</source>
        <translation>dT [s]</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="812"/>
        <source>Total [s]</source>
        <translation>合計 [s]</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="859"/>
        <source>Show I0 Setup</source>
        <translation>I0設定表示</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="896"/>
        <source>Energy of Raw Images</source>
        <translation>生画像のエネルギー</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="919"/>
        <source>Energy of I0 Image</source>
        <translation>I0画像のエネルギー</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="984"/>
        <source>Raw Image</source>
        <translation>生画像</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="1021"/>
        <source>Sinogram</source>
        <translation>サイノグラム</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="1058"/>
        <source>CT Reconstructed Image</source>
        <translation>CT再構成画像</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="1095"/>
        <source>I0 Image</source>
        <translation>I0画像</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="1132"/>
        <source>BG Image</source>
        <translation>BG画像</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="1169"/>
        <source>CT Images</source>
        <translation>CT画像一覧</translation>
    </message>
    <message>
        <location filename="../src/forms/Body.ui" line="1206"/>
        <source>3D View</source>
        <translation>3D表示</translation>
    </message>
</context>
<context>
    <name>ColorBar</name>
    <message>
        <location filename="../src/forms/ColorBar.ui" line="9"/>
        <source>Color Bar</source>
        <translation>カラーバー</translation>
    </message>
    <message>
        <location filename="../src/forms/ColorBar.ui" line="18"/>
        <source>Fix</source>
        <translation>固定</translation>
    </message>
    <message>
        <location filename="../src/forms/ColorBar.ui" line="23"/>
        <source>Min</source>
        <translation>最小</translation>
    </message>
    <message>
        <location filename="../src/forms/ColorBar.ui" line="31"/>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ColorBar.ui" line="37"/>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <location filename="../src/forms/ColorBar.ui" line="45"/>
        <source>1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CtCalc</name>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="5"/>
        <source>CT Calc</source>
        <translation>CT計算</translation>
    </message>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="12"/>
        <source>Disp R.</source>
        <translation>表示範囲</translation>
    </message>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="12"/>
        <source>-</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="12"/>
        <source>Set To C. Region</source>
        <translation>計算範囲に設定</translation>
    </message>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="12"/>
        <source>Cacl R.</source>
        <translation>計算範囲</translation>
    </message>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="12"/>
        <source>Calc</source>
        <translation>計算</translation>
    </message>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="12"/>
        <source>At Once</source>
        <translation>一括</translation>
    </message>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="12"/>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="12"/>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="12"/>
        <source>End</source>
        <translation>終了</translation>
    </message>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="12"/>
        <source>Spent [sec]</source>
        <translation>所要時間 [秒]</translation>
    </message>
    <message>
        <location filename="../src/forms/CtCalc.ui" line="12"/>
        <source>Slice No.</source>
        <translation>スライス番号</translation>
    </message>
</context>
<context>
    <name>CtDisp</name>
    <message>
        <location filename="../src/forms/CtDisp.ui" line="9"/>
        <source>CT display</source>
        <translation>CT表示</translation>
    </message>
</context>
<context>
    <name>ImgDispWPV</name>
    <message>
        <location filename="../src/forms/ImgDispWPV.ui" line="9"/>
        <source>Image Display with Position and Value</source>
        <translation>位置と値付き画像表示</translation>
    </message>
    <message>
        <location filename="../src/forms/ImgDispWPV.ui" line="18"/>
        <source>X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ImgDispWPV.ui" line="30"/>
        <source>Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ImgDispWPV.ui" line="42"/>
        <source>Val:</source>
        <translation>値:</translation>
    </message>
    <message>
        <location filename="../src/forms/ImgDispWPV.ui" line="54"/>
        <source>Scale Reset</source>
        <translation>スケール初期化</translation>
    </message>
</context>
<context>
    <name>PopDockBase</name>
    <message>
        <location filename="../src/forms/PopDockBase.ui" line="9"/>
        <source>Frame</source>
        <translation>フレーム</translation>
    </message>
    <message>
        <location filename="../src/forms/PopDockBase.ui" line="14"/>
        <source>Pop/Dock</source>
        <translation>分離/結合</translation>
    </message>
</context>
<context>
    <name>ProcCtrl</name>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="6"/>
        <source>Proc Control</source>
        <translation>処理設定</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="18"/>
        <source>CT Proc. Ctrl : </source>
        <translation>CT処理設定 : </translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="25"/>
        <source>Threads</source>
        <translation>スレッド数</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="48"/>
        <source>/32</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="68"/>
        <source>Slice : </source>
        <translation>スライス : </translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="75"/>
        <source>Current</source>
        <translation>現在</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="82"/>
        <location filename="../src/forms/ProcCtrl.ui" line="207"/>
        <source>1000</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="98"/>
        <source>Auto Exec</source>
        <translation>自動実行</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="108"/>
        <source>From</source>
        <translation>開始</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="115"/>
        <location filename="../src/forms/ProcCtrl.ui" line="345"/>
        <location filename="../src/forms/ProcCtrl.ui" line="405"/>
        <location filename="../src/forms/ProcCtrl.ui" line="503"/>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="131"/>
        <source>To</source>
        <translation>終了</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="138"/>
        <source>2047</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="168"/>
        <source>Step</source>
        <translation>ステップ</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="175"/>
        <source>1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="193"/>
        <source>Rotation : </source>
        <translation>回転軸 : </translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="200"/>
        <source>Center</source>
        <translation>中心</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="223"/>
        <source>  Ax</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="244"/>
        <source>H</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="257"/>
        <source>V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="269"/>
        <source>Record. COR</source>
        <translation>記録済み中心</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="285"/>
        <location filename="../src/forms/ProcCtrl.ui" line="301"/>
        <location filename="../src/forms/ProcCtrl.ui" line="420"/>
        <source>background-color: rgb(255, 255, 232);</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="322"/>
        <source>Record</source>
        <translation>記録</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="329"/>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="338"/>
        <source>Angle Orig : </source>
        <translation>角度原点 : </translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="361"/>
        <location filename="../src/forms/ProcCtrl.ui" line="391"/>
        <source>[deg]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="368"/>
        <source>Range</source>
        <translation>範囲</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="375"/>
        <location filename="../src/forms/ProcCtrl.ui" line="473"/>
        <source>180</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="398"/>
        <source>Data Set :  </source>
        <translation>データセット :  </translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="427"/>
        <source>/</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="434"/>
        <source>Imgs</source>
        <translation>画像</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="441"/>
        <source>Partial</source>
        <translation>部分</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="466"/>
        <source>Using Images[#]</source>
        <translation>使用画像数[#]</translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="489"/>
        <location filename="../src/forms/ProcCtrl.ui" line="519"/>
        <source>[#]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/ProcCtrl.ui" line="496"/>
        <source>Start [#]</source>
        <translation>開始 [#]</translation>
    </message>
</context>
<context>
    <name>SeekCtrl</name>
    <message>
        <location filename="../src/forms/SeekCtrl.ui" line="9"/>
        <source>Seek</source>
        <translation>移動</translation>
    </message>
    <message>
        <location filename="../src/forms/SeekCtrl.ui" line="19"/>
        <source>&lt;&lt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/SeekCtrl.ui" line="30"/>
        <source>&gt;&gt;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SelectAFile</name>
    <message>
        <location filename="../src/forms/SelectAFile.ui" line="9"/>
        <source>Select a file</source>
        <translation>ファイル選択</translation>
    </message>
    <message>
        <location filename="../src/forms/SelectAFile.ui" line="19"/>
        <source>Select</source>
        <translation>選択</translation>
    </message>
    <message>
        <location filename="../src/forms/SelectAFile.ui" line="36"/>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
</context>
<context>
    <name>SelectDataFiles</name>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="6"/>
        <source>Select Data Files</source>
        <translation>データファイル選択</translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="18"/>
        <source>Data Select</source>
        <translation>データ選択</translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="39"/>
        <source>New</source>
        <translation>新規</translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="52"/>
        <source>Add</source>
        <translation>追加</translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="64"/>
        <source>keep Conds.</source>
        <translation>条件保持</translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="74"/>
        <source>Multi.</source>
        <translation>複数回</translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="80"/>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;When Checked : The first file in the list will be read multitimes ( ex. 180 times )&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="87"/>
        <source>180</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="99"/>
        <source>background-color: rgb(235, 235, 235);</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="116"/>
        <source>Ext.</source>
        <translation>拡張子</translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="123"/>
        <source>img</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="136"/>
        <source>Exp. Time[s]</source>
        <translation>露光時間[s]</translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="143"/>
        <source>1.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="159"/>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDataFiles.ui" line="184"/>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
</context>
<context>
    <name>SelectDir</name>
    <message>
        <location filename="../src/forms/SelectDir.ui" line="9"/>
        <source>Sel. Dir</source>
        <translation>フォルダ選択</translation>
    </message>
    <message>
        <location filename="../src/forms/SelectDir.ui" line="19"/>
        <source>Select</source>
        <translation>選択</translation>
    </message>
</context>
<context>
    <name>Sinogram</name>
    <message>
        <location filename="../src/forms/Sinogram.ui" line="6"/>
        <source>Sinogram</source>
        <translation>サイノグラム</translation>
    </message>
    <message>
        <location filename="../src/forms/Sinogram.ui" line="14"/>
        <source>CoR</source>
        <translation>回転中心</translation>
    </message>
    <message>
        <location filename="../src/forms/Sinogram.ui" line="18"/>
        <source>1000</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Sinogram.ui" line="22"/>
        <source>Alter. Stack</source>
        <translation>交互積み</translation>
    </message>
    <message>
        <location filename="../src/forms/Sinogram.ui" line="26"/>
        <source>0.35</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Sinogram.ui" line="30"/>
        <source>Guess CoR</source>
        <translation>回転中心推定</translation>
    </message>
    <message>
        <location filename="../src/forms/Sinogram.ui" line="31"/>
        <source>Y Offset</source>
        <translation>Yオフセット</translation>
    </message>
    <message>
        <location filename="../src/forms/Sinogram.ui" line="35"/>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/forms/Sinogram.ui" line="39"/>
        <source>Move Y w. Mouse</source>
        <translation>マウスでY移動</translation>
    </message>
</context>
<context>
    <name>XafsBatch</name>
    <message>
        <source>Data Loading</source>
        <translation>データ読み込み</translation>
    </message>
    <message>
        <source>Calculating</source>
        <translation>計算中</translation>
    </message>
    <message>
        <source>Finished Calc.</source>
        <translation>計算終了</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Skipped empty Data Set</source>
        <translation>空のデータセットをスキップ</translation>
    </message>
</context>
</TS>
